#include "allometry.hpp"

#include "growth_vectors.hpp"
#include "least_squares.hpp"
#include "platform/numeric/error.hpp"

#include <string>

namespace kelmar {
namespace {

Eigen::VectorXd size_variable(const Eigen::MatrixXd& x, bool log_size) {
    return log_size ? log_size_column(x) : size_column(x);
}

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

AllometryScores allometry_scores(std::span<const Eigen::MatrixXd* const> samples, bool log_size,
                                 bool common_direction) {
    check_same_landmarks(samples);
    AllometryScores out;
    out.common_direction = common_direction;
    const Eigen::Index c = samples.front()->cols() - 1;
    // Centred sizes sum to zero, so s̃ᵀ(X − x̄) = s̃ᵀX and (X − x̄)u = Xu − x̄·u: no centred copy
    // of the coordinates is made.
    std::vector<Eigen::VectorXd> centred_sizes;
    for (const Eigen::MatrixXd* x : samples) {
        const Eigen::VectorXd s = size_variable(*x, log_size);
        centred_sizes.push_back(s.array() - s.mean());
        out.samples.push_back({s, {}, {}, 0.0, s.mean()});
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
    for (std::size_t g = 0; g < samples.size(); ++g) {
        AllometryScores::Sample& s = out.samples[g];
        const auto coordinates = samples[g]->leftCols(c);
        s.direction = common_direction
                          ? pooled
                          : growth_vector(*samples[g], log_size);  // checks the regression
        s.scores = coordinates * s.direction;
        s.scores.array() -= coordinates.colwise().mean().dot(s.direction.transpose());
        const double sss = centred_sizes[g].squaredNorm();
        if (!(sss > 0.0)) {
            throw Error("sample " + std::to_string(g + 1) +
                        ": the size variable does not vary, so it has no line");
        }
        s.slope = centred_sizes[g].dot(s.scores) / sss;
    }
    return out;
}

GrowthChange growth_change(std::span<const Eigen::MatrixXd* const> samples, bool log_size) {
    check_same_landmarks(samples);
    GrowthChange out;
    const Eigen::Index c = samples.front()->cols() - 1;
    Eigen::RowVectorXd sum = Eigen::RowVectorXd::Zero(c);
    Eigen::Index specimens = 0;
    for (const Eigen::MatrixXd* x : samples) {
        sum += x->leftCols(c).colwise().sum();
        specimens += x->rows();
    }
    const Eigen::RowVectorXd mean = sum / static_cast<double>(specimens);
    out.reference = mean.reshaped(3, c / 3).transpose();
    for (const Eigen::MatrixXd* x : samples) {
        const Eigen::VectorXd s = size_variable(*x, log_size);
        const Eigen::VectorXd slopes = least_squares_lines(x->leftCols(c), s).col(0);
        const double range = s.maxCoeff() - s.minCoeff();
        out.size_range.push_back(range);
        out.change.push_back((slopes * range).reshaped(3, c / 3).transpose());
    }
    return out;
}

}  // namespace kelmar
