#include "slope_models.hpp"

#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <Eigen/QR>
#include <cmath>
#include <string>

namespace kelmar::slope_models {
namespace {

void check_samples(std::span<const Eigen::MatrixXd* const> samples, bool with_terms) {
    if (samples.empty())
        throw Error("an analysis of variance needs at least 1 sample");
    if (samples.size() < 2 && !with_terms)
        throw Error("comparing growth slopes needs at least 2 samples");
    Eigen::Index total = 0;
    for (std::size_t g = 0; g < samples.size(); ++g) {
        const Eigen::MatrixXd& x = *samples[g];
        const std::string which = "sample " + std::to_string(g + 1);
        if (x.cols() != samples[0]->cols()) {
            throw Error("the samples have different landmark counts (" +
                        std::to_string((samples[0]->cols() - 1) / 3) + " in sample 1, " +
                        std::to_string((x.cols() - 1) / 3) + " in " + which +
                        "), so their growth vectors cannot be compared");
        }
        if (x.rows() < 2) {
            throw Error(which + " has " + std::to_string(x.rows()) +
                        " specimen; a growth slope needs at least 2");
        }
        total += x.rows();
    }
    const auto k = static_cast<Eigen::Index>(samples.size());
    if (total <= 2 * k) {
        throw Error("the " + std::to_string(k) + " samples hold " + std::to_string(total) +
                    " specimens; comparing their slopes needs more than " + std::to_string(2 * k) +
                    " (two for each sample's own line, and some left over "
                    "to measure the scatter about them)");
    }
}

// Rows in n coordinates that keep every length and dot product of the rows of `y` and of their
// combinations, when the rows are fewer than the coordinates: with yᵀ = Q·R, the rows of Rᵀ.
RowMatrix in_smaller_frame(const Eigen::MatrixXd& y) {
    if (y.rows() >= y.cols())
        return y;
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(y.transpose());
    Eigen::MatrixXd r = qr.matrixQR().topRows(y.rows()).triangularView<Eigen::Upper>();
    return r.transpose();
}

// The residuals of the models before the ANOVA's terms, from the coordinates `y` and sizes `s`
// of all specimens.
void fit_terms(Plan& plan, const Eigen::MatrixXd& y, const Eigen::VectorXd& s) {
    const RowMatrix about_mean = in_smaller_frame(y.rowwise() - y.colwise().mean());
    const Eigen::VectorXd sc = s.array() - s.mean();
    plan.size_squares = sc.squaredNorm();
    plan.mean_size.resize(plan.k);
    for (Eigen::Index g = 0; g < plan.k; ++g)
        plan.mean_size(g) = sc.segment(plan.first[g], plan.count[g]).mean();
    plan.term_residuals.push_back(about_mean);
    if (plan.k > 1) {
        const Eigen::RowVectorXd slope = (sc.transpose() * about_mean) / plan.size_squares;
        plan.term_residuals.push_back(about_mean - sc * slope);
    }
    for (const RowMatrix& e : plan.term_residuals)
        plan.term_squared.push_back(e.squaredNorm());
}

}  // namespace

Plan make_plan(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
               bool with_terms) {
    check_samples(samples, with_terms);
    Plan plan;
    plan.k = static_cast<Eigen::Index>(samples.size());
    for (const Eigen::MatrixXd* x : samples) {
        plan.first.push_back(plan.n);
        plan.count.push_back(x->rows());
        plan.n += x->rows();
    }
    const Eigen::Index d = samples[0]->cols() - 1;

    // Magnitudes near 1e306 or 1e-300 are brought near 1 by one power of two (exact; ordinary
    // data get 1); the slopes' lengths are scaled back at the end.
    Eigen::MatrixXd y(plan.n, d);
    Eigen::VectorXd s(plan.n);
    for (Eigen::Index g = 0; g < plan.k; ++g) {
        const Eigen::MatrixXd& x = *samples[static_cast<std::size_t>(g)];
        y.middleRows(plan.first[g], x.rows()) = x.leftCols(d);
        try {
            s.segment(plan.first[g], x.rows()) = size_values(x, size);
        } catch (const Error& e) {
            throw Error("sample " + std::to_string(g + 1) + ": " + e.what());
        }
    }
    const double y_scale = safe_scale_of(y);
    const double s_scale = size == SizeVariable::log_centroid_size ? 1.0 : safe_scale_of(s);
    y *= y_scale;
    s *= s_scale;
    plan.slope_unit = s_scale / y_scale;
    if (with_terms)
        fit_terms(plan, y, s);

    Eigen::VectorXd st(plan.n);
    plan.w.resize(plan.n);
    plan.sxx.resize(plan.k);
    for (Eigen::Index g = 0; g < plan.k; ++g) {
        const Eigen::Index first = plan.first[g];
        const Eigen::Index count = plan.count[g];
        const std::span<const double> sizes(s.data() + first, static_cast<std::size_t>(count));
        if (!slope_weights(sizes, {plan.w.data() + first, static_cast<std::size_t>(count)})) {
            throw Error("the sizes of sample " + std::to_string(g + 1) +
                        " do not vary, so it has no growth slope to compare");
        }
        // s̃ = w·Sxx, the weights' own centring of the sizes.
        plan.sxx(g) = 1.0 / plan.w.segment(first, count).squaredNorm();
        st.segment(first, count) = plan.w.segment(first, count) * plan.sxx(g);
        const Eigen::RowVectorXd mean = y.middleRows(first, count).colwise().mean();
        y.middleRows(first, count).rowwise() -= mean;
        plan.sample_of.insert(plan.sample_of.end(), static_cast<std::size_t>(count), g);
    }
    plan.sxx_total = plan.sxx.sum();

    plan.yc = in_smaller_frame(y);
    const Eigen::RowVectorXd b0 = (st.transpose() * plan.yc) / plan.sxx_total;
    plan.e0 = plan.yc - st * b0;
    plan.e0_squared = plan.e0.squaredNorm();

    for (Eigen::Index g = 0; g < plan.k; ++g) {
        for (Eigen::Index h = g + 1; h < plan.k; ++h) {
            Pair p;
            p.g = g;
            p.h = h;
            p.n = plan.count[g] + plan.count[h];
            p.c.resize(p.n);
            p.st.resize(p.n);
            p.c << plan.w.segment(plan.first[g], plan.count[g]),
                -plan.w.segment(plan.first[h], plan.count[h]);
            p.st << st.segment(plan.first[g], plan.count[g]),
                st.segment(plan.first[h], plan.count[h]);
            const double sum = plan.sxx(g) + plan.sxx(h);
            p.b0 = (p.st.head(plan.count[g]).transpose() *
                        plan.yc.middleRows(plan.first[g], plan.count[g]) +
                    p.st.tail(plan.count[h]).transpose() *
                        plan.yc.middleRows(plan.first[h], plan.count[h])) /
                   p.st.squaredNorm();
            p.b0_squared = p.b0.squaredNorm();
            p.share_g = plan.sxx(g) / sum;
            p.share_h = plan.sxx(h) / sum;
            p.lambda = std::sqrt(static_cast<double>(p.n - 1) / static_cast<double>(p.n - 3));
            plan.pairs.push_back(std::move(p));
        }
    }
    return plan;
}

}  // namespace kelmar::slope_models
