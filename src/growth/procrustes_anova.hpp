// The Procrustes ANOVA of shape on size, sample and their interaction, with sequential (type I)
// sums of squares over all coordinates of the samples on one common reference: a term's SS is
// the drop in the residual sum of squares when it joins the terms before it (size; sample; size
// × sample), the total is about the grand mean; df 1, k − 1, k − 1 and N − 2k for the residual;
// MS = SS/df, F = MS/MS residual, R² = SS/SS total. Each term's F is tested by permuting the
// residuals of the model before it over all specimens (the permutations of the slope tests), so
// the size × sample line is the test of common slopes.
#pragma once

#include "slope_comparison.hpp"

#include <Eigen/Core>

#include <span>
#include <string>
#include <vector>

namespace kelmar {

struct AnovaTerm {
    enum class Kind { size, sample, size_by_sample };
    Kind kind = Kind::size;
    Eigen::Index df = 0;
    double ss = 0.0;
    double ms = 0.0;
    double r_squared = 0.0;
    double f = 0.0;
    PermutedStatistic test;  // of F; only the observed value without permutations
};

// "Size", "Sample", "Size x sample"; in JSON "size", "sample", "size_by_sample".
const char* term_label(AnovaTerm::Kind kind);
const char* term_key(AnovaTerm::Kind kind);

struct ProcrustesAnova {
    SizeVariable size = SizeVariable::log_centroid_size;
    Eigen::Index permutations = 0;
    std::vector<AnovaTerm> terms;  // size; with two samples or more, sample and size × sample
    Eigen::Index residual_df = 0;
    double residual_ss = 0.0;
    double residual_ms = 0.0;
    double residual_r_squared = 0.0;
    Eigen::Index total_df = 0;
    double total_ss = 0.0;
};

// The table of `samples` (each n_g × C, size in column C) from the tests of
// compare_growth_slopes run on them with the ANOVA's terms: the sums of squares are computed
// here, F, P and Z are the tests' (the size × sample F is the common slopes' F, bit for bit).
ProcrustesAnova anova_table(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                            const SlopeComparison& tests);

// The table with its own K permutations, for one sample or more; raises the Errors of
// compare_growth_slopes.
ProcrustesAnova procrustes_anova(std::span<const Eigen::MatrixXd* const> samples,
                                 Eigen::Index permutations, SizeVariable size, RandomStream& stream,
                                 int threads = 0);

}  // namespace kelmar
