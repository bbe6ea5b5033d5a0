#include "procrustes_anova.hpp"

#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "scaled_samples.hpp"

namespace kelmar {
namespace {

// The residual sums of squares of the nested models, on coordinates y and size variable s of
// all specimens, samples in consecutive rows.
struct NestedFits {
    double mean = 0.0;          // about the grand mean: the total
    double one_line = 0.0;      // one line for all specimens
    double common_slope = 0.0;  // own means, one common slope
    double own_slopes = 0.0;    // own means, own slopes
};

// Σ‖Y − Ȳ‖² − ‖Σ (s − s̄)(Y − Ȳ)‖²/Σ(s − s̄)² of rows `first` … `first + count` − 1, and the
// plain sum about the mean in `about_mean`.
double line_residuals(const Eigen::MatrixXd& y, const Eigen::VectorXd& s, Eigen::Index first,
                      Eigen::Index count, double& about_mean) {
    const Eigen::MatrixXd yc =
        y.middleRows(first, count).rowwise() - y.middleRows(first, count).colwise().mean();
    const Eigen::VectorXd sc = s.segment(first, count).array() - s.segment(first, count).mean();
    about_mean = yc.squaredNorm();
    return about_mean - (sc.transpose() * yc).squaredNorm() / sc.squaredNorm();
}

NestedFits nested_fits(const Eigen::MatrixXd& y, const Eigen::VectorXd& s,
                       std::span<const Eigen::Index> counts) {
    NestedFits fits;
    fits.one_line = line_residuals(y, s, 0, y.rows(), fits.mean);
    // Own means: the coordinates and sizes centred within each sample.
    Eigen::MatrixXd within(y.rows(), y.cols());
    Eigen::VectorXd sizes(s.size());
    Eigen::Index first = 0;
    for (const Eigen::Index count : counts) {
        double about_mean = 0.0;
        fits.own_slopes += line_residuals(y, s, first, count, about_mean);
        within.middleRows(first, count) =
            y.middleRows(first, count).rowwise() - y.middleRows(first, count).colwise().mean();
        sizes.segment(first, count) =
            s.segment(first, count).array() - s.segment(first, count).mean();
        first += count;
    }
    fits.common_slope =
        within.squaredNorm() - (sizes.transpose() * within).squaredNorm() / sizes.squaredNorm();
    return fits;
}

}  // namespace

const char* term_label(AnovaTerm::Kind kind) {
    switch (kind) {
        case AnovaTerm::Kind::size:
            return "Size";
        case AnovaTerm::Kind::sample:
            return "Sample";
        case AnovaTerm::Kind::size_by_sample:
            return "Size x sample";
    }
    return "";
}

const char* term_key(AnovaTerm::Kind kind) {
    switch (kind) {
        case AnovaTerm::Kind::size:
            return "size";
        case AnovaTerm::Kind::sample:
            return "sample";
        case AnovaTerm::Kind::size_by_sample:
            return "size_by_sample";
    }
    return "";
}

ProcrustesAnova anova_table(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                            const SlopeComparison& tests) {
    const auto k = static_cast<Eigen::Index>(samples.size());
    if (static_cast<Eigen::Index>(tests.terms.size()) != (k > 1 ? 2 : 1))
        throw Error("the slope tests were run without the terms of the analysis of variance");
    // Powers of two keep the sums of squares of extreme magnitudes finite; they are scaled back.
    const ScaledSamples scaled(samples, size, true);
    std::vector<Eigen::Index> counts;
    Eigen::Index n = 0;
    for (const Eigen::MatrixXd* x : samples) {
        counts.push_back(x->rows());
        n += x->rows();
    }
    const Eigen::Index d = samples.front()->cols() - 1;
    Eigen::MatrixXd y(n, d);
    Eigen::VectorXd s(n);
    Eigen::Index first = 0;
    for (const Eigen::MatrixXd* x : scaled.samples()) {
        y.middleRows(first, x->rows()) = x->leftCols(d);
        s.segment(first, x->rows()) = size_values(*x, size);
        first += x->rows();
    }
    const double unit = 1.0 / (scaled.coordinate_scale(0) * scaled.coordinate_scale(0));
    const NestedFits fits = nested_fits(y, s, counts);

    ProcrustesAnova table;
    table.size = size;
    table.permutations = tests.permutations;
    table.total_df = n - 1;
    table.total_ss = fits.mean * unit;
    table.residual_df = n - 2 * k;
    table.residual_ss = fits.own_slopes * unit;
    table.residual_ms = table.residual_ss / static_cast<double>(table.residual_df);
    table.residual_r_squared = fits.own_slopes / fits.mean;
    const auto add = [&](AnovaTerm::Kind kind, Eigen::Index df, double ss,
                         const PermutedStatistic& test) {
        AnovaTerm term;
        term.kind = kind;
        term.df = df;
        term.ss = ss * unit;
        term.ms = term.ss / static_cast<double>(df);
        term.r_squared = ss / fits.mean;
        term.f = test.observed;
        term.test = test;
        table.terms.push_back(term);
    };
    add(AnovaTerm::Kind::size, 1, fits.mean - fits.one_line, tests.terms[0]);
    if (k > 1) {
        add(AnovaTerm::Kind::sample, k - 1, fits.one_line - fits.common_slope, tests.terms[1]);
        PermutedStatistic interaction = tests.f_test;
        interaction.observed = tests.f;
        add(AnovaTerm::Kind::size_by_sample, k - 1, fits.common_slope - fits.own_slopes,
            interaction);
    }
    return table;
}

ProcrustesAnova procrustes_anova(std::span<const Eigen::MatrixXd* const> samples,
                                 Eigen::Index permutations, SizeVariable size, RandomStream& stream,
                                 int threads) {
    const SlopeComparison tests =
        compare_growth_slopes(samples, permutations, size, stream, threads, true);
    return anova_table(samples, size, tests);
}

}  // namespace kelmar
