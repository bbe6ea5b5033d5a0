#include "sorted_by_size.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kelmar {

std::vector<Eigen::Index> size_order(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    std::vector<Eigen::Index> order(static_cast<std::size_t>(x.rows()));
    std::iota(order.begin(), order.end(), Eigen::Index{0});
    if (x.cols() == 0)
        return order;
    const auto size = x.col(x.cols() - 1);
    // A stable sort on "strictly smaller" moves exactly as the adjacent-exchange sort does.
    std::stable_sort(order.begin(), order.end(), [&](Eigen::Index a, Eigen::Index b) {
        const double sa = size(a);
        const double sb = size(b);
        return !std::isnan(sa) && (std::isnan(sb) || sa < sb);
    });
    return order;
}

Eigen::MatrixXd sorted_by_size(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    const std::vector<Eigen::Index> order = size_order(x);
    Eigen::MatrixXd y(x.rows(), x.cols());
    for (std::size_t i = 0; i < order.size(); ++i) {
        y.row(static_cast<Eigen::Index>(i)) = x.row(order[i]);
    }
    return y;
}

}  // namespace kelmar
