#include "layouts.hpp"

#include "platform/numeric/error.hpp"

#include <string>

namespace kelmar {

Stack stack_from_dataset(const Eigen::Ref<const Eigen::MatrixXd>& x, int d) {
    const Eigen::Index n = x.rows();
    const Eigen::Index p = x.cols() / d;
    Stack y(p, n, d);
    for (Eigen::Index i = 0; i < n; ++i) {
        auto page = y.page(i);
        for (Eigen::Index j = 0; j < p; ++j) {
            page.row(j) = x.block(i, d * j, 1, d);
        }
    }
    return y;
}

Eigen::RowVectorXd dataset_row(const Eigen::Ref<const Eigen::MatrixXd>& x, double cs) {
    const Eigen::Index m = x.rows();
    const Eigen::Index c = x.cols();
    Eigen::RowVectorXd y = Eigen::RowVectorXd::Zero(3 * m + 1);
    for (Eigen::Index i = 0; i < m; ++i) {
        for (Eigen::Index j = 0; j < c && j < 3; ++j) {
            y(3 * i + j) = x(i, j);
        }
    }
    y(3 * m) = cs;
    return y;
}

Eigen::MatrixXd dataset_from_stack(const Stack& data, const Eigen::Ref<const Eigen::MatrixXd>& cs) {
    const Eigen::Index n = data.specimens();
    const Eigen::Index p = data.landmarks();
    if (cs.size() != n || (cs.rows() != 1 && cs.cols() != 1 && n > 0)) {
        throw Error("xyzfromvert3 needs as many sizes as configurations: " + std::to_string(n) +
                    " configurations, " + std::to_string(cs.size()) + " sizes");
    }
    const int d = data.dimensions();
    Eigen::MatrixXd y(n, d * p + 1);
    for (Eigen::Index i = 0; i < n; ++i) {
        const auto page = data.page(i);
        for (Eigen::Index j = 0; j < p; ++j) {
            y.block(i, d * j, 1, d) = page.row(j);
        }
        y(i, d * p) = cs.rows() == 1 ? cs(0, i) : cs(i, 0);
    }
    return y;
}

}  // namespace kelmar
