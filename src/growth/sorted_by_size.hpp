// sorted_by_size: a dataset (n × C) with its rows in ascending order of the last column (size);
// rows of equal size keep their input order. Sizes that are not numbers sort last.
#pragma once

#include <Eigen/Core>
#include <vector>

namespace kelmar {

Eigen::MatrixXd sorted_by_size(const Eigen::Ref<const Eigen::MatrixXd>& x);

// The row order sorted_by_size uses: position i of the result holds input row order[i].
std::vector<Eigen::Index> size_order(const Eigen::Ref<const Eigen::MatrixXd>& x);

}  // namespace kelmar
