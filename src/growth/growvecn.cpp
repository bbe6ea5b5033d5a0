#include "growvecn.hpp"

#include "least_squares.hpp"
#include "platform/numeric/error.hpp"

#include <string>

namespace kelmar {
namespace {

auto coordinates(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    return x.leftCols(x.cols() - 1);
}

}  // namespace

Eigen::RowVectorXd growvecn(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const Eigen::VectorXd s = log_size_column(x);
    const Eigen::VectorXd slopes = least_squares_lines(coordinates(x), s).col(0);
    check_growth_beyond_rounding(coordinates(x), s, slopes);
    return slopes.transpose() / slope_norm(slopes);
}

Eigen::VectorXd growvector3(const Eigen::Ref<const Eigen::MatrixXd>& x,
                            const Eigen::Ref<const Eigen::MatrixXd>& indpx) {
    size_column(x);  // checks the column count
    if (indpx.rows() != 1 && indpx.cols() != 1 && indpx.size() > 0) {
        throw Error("the size variable must be a row or a column, given " +
                    std::to_string(indpx.rows()) + " x " + std::to_string(indpx.cols()));
    }
    const Eigen::VectorXd s = indpx.reshaped();
    // Both columns are scaled by the slopes' norm; the scaled slopes are the growth vector.
    const Eigen::MatrixXd y = least_squares_lines(coordinates(x), s);
    check_growth_beyond_rounding(coordinates(x), s, y.col(0));
    return y.col(0) / slope_norm(y.col(0));
}

Eigen::MatrixXd growveceq(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    return least_squares_lines(coordinates(x), log_size_column(x));
}

}  // namespace kelmar
