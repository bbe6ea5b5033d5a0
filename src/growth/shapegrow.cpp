#include "shapegrow.hpp"

#include "least_squares.hpp"

namespace kelmar {

Eigen::MatrixXd shapegrow(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::VectorXd s = size_column(x);
    return least_squares_lines(x.leftCols(x.cols() - 1), s);
}

Eigen::MatrixXd shapegrown(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::MatrixXd y = shapegrow(x);
    return y / slope_norm(y.col(0));
}

}  // namespace kelmar
