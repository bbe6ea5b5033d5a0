#include "size_lines.hpp"

#include "least_squares.hpp"

namespace kelmar {

Eigen::MatrixXd size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::VectorXd s = size_column(x);
    return least_squares_lines(x.leftCols(x.cols() - 1), s);
}

Eigen::MatrixXd scaled_size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    return unit_growth_lines(x.leftCols(x.cols() - 1), size_column(x));
}

}  // namespace kelmar
