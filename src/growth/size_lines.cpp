#include "size_lines.hpp"

#include "least_squares.hpp"

namespace kelmar {

Eigen::MatrixXd size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::VectorXd s = size_column(x);
    return least_squares_lines(x.leftCols(x.cols() - 1), s);
}

Eigen::MatrixXd scaled_size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::MatrixXd y = size_lines(x);
    check_growth_beyond_rounding(x.leftCols(x.cols() - 1), size_column(x), y.col(0));
    return y / slope_norm(y.col(0));
}

}  // namespace kelmar
