#include "allometry.hpp"

#include "growth_vectors.hpp"
#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "scaled_samples.hpp"

#include <string>

namespace kelmar {
namespace {

void check_same_landmarks(std::span<const Eigen::MatrixXd* const> samples) {
    if (samples.empty())
        throw Error("a picture of growth needs at least one sample");
    for (std::size_t g = 1; g < samples.size(); ++g) {
        if (samples[g]->cols() != samples[0]->cols()) {
            throw Error("sample " + std::to_string(g + 1) + " has " +
                        std::to_string((samples[g]->cols() - 1) / 3) + " landmarks, sample 1 " +
                        std::to_string((samples[0]->cols() - 1) / 3));
        }
    }
}

}  // namespace

AllometryScores allometry_scores(std::span<const Eigen::MatrixXd* const> original,
                                 SizeVariable size, bool common_direction) {
    check_same_landmarks(original);
    // Sums of squares at safe magnitudes; scores and slopes go back to the samples' units.
    const ScaledSamples scaled(original, size, common_direction);
    const std::span<const Eigen::MatrixXd* const> samples = scaled.samples();
    AllometryScores out;
    out.common_direction = common_direction;
    const Eigen::Index c = samples.front()->cols() - 1;
    // Centred sizes sum to zero, so s̃ᵀ(X − x̄) = s̃ᵀX and (X − x̄)u = Xu − x̄·u: no centred copy
    // of the coordinates is made.
    std::vector<Eigen::VectorXd> centred_sizes;
    for (const Eigen::MatrixXd* x : samples) {
        const Eigen::VectorXd s = size_values(*x, size);
        centred_sizes.push_back(s.array() - s.mean());
        const Eigen::VectorXd own = s / scaled.size_scale(out.samples.size());
        out.samples.push_back({own, {}, {}, 0.0, own.mean()});
    }
    Eigen::VectorXd pooled;
    if (common_direction) {
        // The common slope of the model with own means and one slope.
        Eigen::VectorXd cross = Eigen::VectorXd::Zero(c);
        double sss = 0.0;
        for (std::size_t g = 0; g < samples.size(); ++g) {
            cross.noalias() += samples[g]->leftCols(c).transpose() * centred_sizes[g];
            sss += centred_sizes[g].squaredNorm();
        }
        if (!(sss > 0.0))
            throw Error("the sizes do not vary within any sample, so there is no common slope");
        pooled = cross / sss;
        pooled /= slope_norm(pooled);
    }
    // One origin for every sample on a common reference: the pooled mean shape.
    Eigen::RowVectorXd origin;
    if (common_direction) {
        origin = Eigen::RowVectorXd::Zero(c);
        Eigen::Index specimens = 0;
        for (const Eigen::MatrixXd* x : samples) {
            origin += x->leftCols(c).colwise().sum();
            specimens += x->rows();
        }
        origin /= static_cast<double>(specimens);
    }
    for (std::size_t g = 0; g < samples.size(); ++g) {
        AllometryScores::Sample& s = out.samples[g];
        const auto coordinates = samples[g]->leftCols(c);
        s.direction =
            common_direction ? pooled : growth_vector(*original[g], size);  // checks the regression
        s.scores = coordinates * s.direction;
        s.scores.array() -=
            (common_direction ? origin : Eigen::RowVectorXd(coordinates.colwise().mean()))
                .dot(s.direction.transpose());
        const double sss = centred_sizes[g].squaredNorm();
        if (!(sss > 0.0)) {
            throw Error("sample " + std::to_string(g + 1) +
                        ": the size variable does not vary, so it has no line");
        }
        s.slope = centred_sizes[g].dot(s.scores) / sss * scaled.slope_factor(g);
        s.scores /= scaled.coordinate_scale(g);
        s.mean_score = common_direction ? s.scores.mean() : 0.0;
    }
    return out;
}

GrowthChange growth_change(std::span<const Eigen::MatrixXd* const> original, SizeVariable size,
                           int dimensions) {
    check_same_landmarks(original);
    const ScaledSamples scaled(original, size, false);
    const std::span<const Eigen::MatrixXd* const> samples = scaled.samples();
    GrowthChange out;
    const Eigen::Index c = samples.front()->cols() - 1;
    // The mean of the means, each weighted by its count, in the samples' own units.
    Eigen::RowVectorXd mean = Eigen::RowVectorXd::Zero(c);
    Eigen::Index specimens = 0;
    for (const Eigen::MatrixXd* x : original)
        specimens += x->rows();
    for (std::size_t g = 0; g < samples.size(); ++g) {
        const double weight =
            static_cast<double>(samples[g]->rows()) / static_cast<double>(specimens);
        mean += samples[g]->leftCols(c).colwise().mean() * weight / scaled.coordinate_scale(g);
    }
    const Eigen::Index d = dimensions;
    out.reference = mean.reshaped(d, c / d).transpose();
    for (std::size_t g = 0; g < samples.size(); ++g) {
        const Eigen::MatrixXd& x = *samples[g];
        const Eigen::VectorXd s = size_values(x, size);
        const Eigen::VectorXd slopes = least_squares_lines(x.leftCols(c), s).col(0);
        const double range = s.maxCoeff() - s.minCoeff();
        out.size_range.push_back(range / scaled.size_scale(g));
        out.change.push_back(
            (slopes * range / scaled.coordinate_scale(g)).reshaped(d, c / d).transpose());
    }
    return out;
}

}  // namespace kelmar
