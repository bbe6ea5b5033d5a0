// Growth regressions on centroid size itself (the size column, no logarithm), for a dataset x
// (n × C):
//   size_lines(x):        [slope, intercept] of every coordinate column on size, (C−1) × 2
//   scaled_size_lines(x): the same, both columns divided by the norm of the slopes; column 1
//                         is the unit CS growth vector
// The sizes must vary (Error otherwise).
#pragma once

#include <Eigen/Core>

namespace kelmar {

Eigen::MatrixXd size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x);

Eigen::MatrixXd scaled_size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x);

}  // namespace kelmar
