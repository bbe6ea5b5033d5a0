#include "shapegrow.hpp"

#include "least_squares.hpp"

namespace kelmar {

Eigen::MatrixXd shapegrow(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::VectorXd s = size_column(x);
    return least_squares_lines(x.leftCols(x.cols() - 1), s);
}

Eigen::MatrixXd shapegrown(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::MatrixXd y = shapegrow(x);
    check_growth_beyond_rounding(x.leftCols(x.cols() - 1), size_column(x), y.col(0));
    return y / slope_norm(y.col(0));
}

}  // namespace kelmar
