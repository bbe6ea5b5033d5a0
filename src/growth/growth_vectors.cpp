#include "growth_vectors.hpp"

#include "least_squares.hpp"
#include "platform/numeric/error.hpp"
#include "size_lines.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace kelmar {
namespace {

auto coordinates(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    return x.leftCols(x.cols() - 1);
}

}  // namespace

Eigen::RowVectorXd log_size_growth_row(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    return unit_growth_lines(coordinates(x), log_size_column(x)).col(0).transpose();
}

Eigen::VectorXd growth_vector_on(const Eigen::Ref<const Eigen::MatrixXd>& x,
                                 const Eigen::Ref<const Eigen::MatrixXd>& indpx) {
    size_column(x);  // checks the column count
    if (indpx.rows() != 1 && indpx.cols() != 1 && indpx.size() > 0) {
        throw Error("the size variable must be a row or a column, given " +
                    std::to_string(indpx.rows()) + " x " + std::to_string(indpx.cols()));
    }
    const Eigen::VectorXd s = indpx.reshaped();
    return unit_growth_lines(coordinates(x), s).col(0);
}

Eigen::MatrixXd log_size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    return least_squares_lines(coordinates(x), log_size_column(x));
}

Eigen::VectorXd growth_vector(const Eigen::Ref<const Eigen::MatrixXd>& x, SizeVariable size) {
    if (size == SizeVariable::log_centroid_size)
        return log_size_growth_row(x).transpose();
    return scaled_size_lines(x).col(0);
}

std::vector<Eigen::VectorXd> growth_vectors(std::span<const Eigen::MatrixXd* const> samples,
                                            SizeVariable size) {
    std::vector<Eigen::VectorXd> out;
    for (std::size_t g = 0; g < samples.size(); ++g) {
        try {
            out.push_back(growth_vector(*samples[g], size));
        } catch (const Error& e) {
            throw Error("sample " + std::to_string(g + 1) + ": " + e.what());
        }
    }
    return out;
}

double growth_angle(const Eigen::Ref<const Eigen::VectorXd>& a,
                    const Eigen::Ref<const Eigen::VectorXd>& b) {
    constexpr double kDegreesPerRadian = 57.29577951308232;
    return kDegreesPerRadian * std::acos(std::clamp(a.dot(b), -1.0, 1.0));
}

}  // namespace kelmar
