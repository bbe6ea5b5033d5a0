#include "slope_models.hpp"

#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <Eigen/QR>
#include <cmath>
#include <string>

namespace kelmar::slope_models {
namespace {

void check_samples(std::span<const Eigen::MatrixXd* const> samples) {
    if (samples.size() < 2)
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

}  // namespace

Plan make_plan(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size) {
    check_samples(samples);
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

    if (plan.n < d) {
        // Ỹᵀ = Q·R with Q orthonormal: the rows of R's transpose keep every length and dot
        // product of the rows of Ỹ and of their combinations in n coordinates instead of d.
        const Eigen::HouseholderQR<Eigen::MatrixXd> qr(y.transpose());
        Eigen::MatrixXd r = qr.matrixQR().topRows(plan.n).triangularView<Eigen::Upper>();
        plan.yc = r.transpose();
    } else {
        plan.yc = y;
    }
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
