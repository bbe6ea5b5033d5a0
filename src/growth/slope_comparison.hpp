// Comparison of the growth slopes of k samples on one common reference, with permutation tests.
// Each sample is an n_g × C dataset (coordinates, then the size in column C). With s the size
// variable (ln size or size), s̃ and Ỹ centred within each sample and Sxx_g = Σ_g s̃²:
//   b_g = Σ_g s̃ᵢỸᵢ / Sxx_g, the unscaled growth vector (slopes) of sample g;
//   for every pair g < h: the angle θ between b_g and b_h (degrees), the difference of slope
//   lengths DL = |‖b_g‖ − ‖b_h‖| and the distance D = ‖b_g − b_h‖;
//   the test of common slopes: F = ((SS_common − SS_own)/(k − 1)) / (SS_own/(N − 2k)), the
//   residual sums of squares of own means with one common slope and with own slopes.
// Permutations (Fisher–Yates over all N specimens, N − 1 draws each, in order) permute the
// common-slope model's residuals for F; each pair takes the induced permutation of its own rows
// and the residuals of its own common-slope model, whose permuted slope deviations are centred
// on their size-weighted mean again and inflated by λ = √((n − 1)/(n − 3)), so that every
// permuted pair keeps the observed common slope and the residuals' full variance.
#pragma once

#include "platform/numeric/random_stream.hpp"
#include "size_variable.hpp"

#include <Eigen/Core>

#include <limits>
#include <span>
#include <vector>

namespace kelmar {

// Where the observed value of one statistic falls among its K + 1 values (the observed first).
struct PermutedStatistic {
    double observed = std::numeric_limits<double>::quiet_NaN();  // the value counted against
    double p_value = std::numeric_limits<double>::quiet_NaN();   // share at least the observed
    double ucl95 = std::numeric_limits<double>::quiet_NaN();     // sorted, at ceil(0.95·(K + 1))
    double z = std::numeric_limits<double>::quiet_NaN();  // (observed − mean)/sd, divisor K
};

struct PairwiseSlopes {
    int a = 0;  // sample numbers from 1, a < b
    int b = 0;
    double angle = 0.0;  // degrees, between the unit growth vectors, as the angle between samples
    double length_difference = 0.0;  // |‖b_a‖ − ‖b_b‖|, coordinate units per unit of size
    double distance = 0.0;           // ‖b_a − b_b‖
    // With permutations: the tests of the three statistics.
    PermutedStatistic angle_test;
    PermutedStatistic length_test;
    PermutedStatistic distance_test;
};

struct SlopeComparison {
    Eigen::Index permutations = 0;
    double f = 0.0;  // the test of common slopes' F
    PermutedStatistic f_test;
    std::vector<PairwiseSlopes> pairs;  // (1, 2), (1, 3), …, (1, k), (2, 3), …, (k − 1, k)
    // With the ANOVA's terms: the F of size and, for two samples or more, of sample, each with
    // its test (only the observed value without permutations). Size × sample is `f_test`.
    std::vector<PermutedStatistic> terms;
    // K + 1 rows: column 0 the values of F, then for each pair in order its angles, length
    // differences and distances, then the terms' F; row 0 the observed values (the only row
    // without permutations).
    Eigen::MatrixXd values;
};

// The column of `values` that holds statistic `which` (0 angle, 1 length difference,
// 2 distance) of pair `pair`.
inline Eigen::Index pair_statistic_column(std::size_t pair, int which) {
    return 1 + 3 * static_cast<Eigen::Index>(pair) + which;
}

// `permutations` = 0 gives the observed statistics only and draws nothing. `with_anova_terms`
// adds the sequential Procrustes ANOVA's size and sample terms: in each permutation the residuals
// of the model before a term (the grand mean before size, one line for all specimens before
// sample) are permuted over all specimens alike, and F is that term's mean square over the
// residual mean square of own means and own slopes; one sample is enough then (its F is NaN and
// it has no pairs). Adding the terms changes no other value. Raises an Error for
// fewer than 2 samples, samples of different landmark counts, a sample of fewer than 2
// specimens or whose sizes do not vary, N ≤ 2k, sizes that are not positive on log size, growth
// vectors without a direction, and permutations whose values would not fit in memory.
// threads = 0 uses every core; the values never depend on it.
SlopeComparison compare_growth_slopes(std::span<const Eigen::MatrixXd* const> samples,
                                      Eigen::Index permutations, SizeVariable size,
                                      RandomStream& stream, int threads = 0,
                                      bool with_anova_terms = false);

}  // namespace kelmar
