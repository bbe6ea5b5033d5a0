#include "least_squares.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <cmath>
#include <string>

namespace kelmar {

Eigen::MatrixXd least_squares_lines(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                    const Eigen::Ref<const Eigen::VectorXd>& s) {
    const Eigen::Index n = coordinates.rows();
    if (s.size() != n) {
        throw Error("the size variable holds " + std::to_string(s.size()) +
                    " values for a dataset of " + std::to_string(n) + " specimens");
    }
    if (n < 2 || s.minCoeff() == s.maxCoeff()) {
        throw Error("the size variable does not vary over the " + std::to_string(n) +
                    " specimens, so the coordinates have no regression slope on size");
    }
    const double s_mean = s.mean();
    const Eigen::VectorXd sc = s.array() - s_mean;
    const double sss = sc.squaredNorm();
    const Eigen::RowVectorXd x_mean = coordinates.colwise().mean();
    Eigen::MatrixXd lines(coordinates.cols(), 2);
    lines.col(0) = ((coordinates.rowwise() - x_mean).transpose() * sc) / sss;
    lines.col(1) = x_mean.transpose() - lines.col(0) * s_mean;
    return lines;
}

Eigen::VectorXd size_column(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    if (x.cols() < 2) {
        throw Error("a growth regression needs coordinate columns and a size column, given " +
                    std::to_string(x.cols()) + " column(s)");
    }
    return x.col(x.cols() - 1);
}

Eigen::VectorXd log_size_column(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    Eigen::VectorXd s = size_column(x);
    for (Eigen::Index i = 0; i < s.size(); ++i) {
        if (!(s(i) > 0.0)) {
            throw Error("specimen " + std::to_string(i + 1) + " has size " + shortest_text(s(i)) +
                        ", but log centroid size needs sizes greater than 0");
        }
        s(i) = std::log(s(i));
    }
    return s;
}

double slope_norm(const Eigen::Ref<const Eigen::VectorXd>& slopes) {
    const double norm = std::sqrt(slopes.squaredNorm());
    if (norm == 0.0) {
        throw Error("every coordinate has slope 0 on size, so the growth vector has no direction");
    }
    return norm;
}

}  // namespace kelmar
