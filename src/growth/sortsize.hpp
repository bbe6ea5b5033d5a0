// sortsize: a dataset (n × C) with its rows in ascending order of the last column (size);
// rows of equal size keep their input order. Sizes that are not numbers sort last.
#pragma once

#include <Eigen/Core>
#include <vector>

namespace kelmar {

Eigen::MatrixXd sortsize(const Eigen::Ref<const Eigen::MatrixXd>& x);

// The row order sortsize uses: position i of the result holds input row order[i].
std::vector<Eigen::Index> size_order(const Eigen::Ref<const Eigen::MatrixXd>& x);

}  // namespace kelmar
