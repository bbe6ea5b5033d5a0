// Growth regressions on centroid size itself (the size column, no logarithm), for a dataset x
// (n × C):
//   shapegrow(x):  [slope, intercept] of every coordinate column on size, (C−1) × 2
//   shapegrown(x): the same, both columns divided by the norm of the slopes; column 1 is the
//                  unit CS growth vector
// The sizes must vary (Error otherwise).
#pragma once

#include <Eigen/Core>

namespace kelmar {

Eigen::MatrixXd shapegrow(const Eigen::Ref<const Eigen::MatrixXd>& x);

Eigen::MatrixXd shapegrown(const Eigen::Ref<const Eigen::MatrixXd>& x);

}  // namespace kelmar
