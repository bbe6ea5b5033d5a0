// Conversions between the two layouts of landmark data. A landmark dataset is n × (dp + 1): one
// specimen per row, x y (z) of landmark 1 to p in d = 2 or 3 dimensions, then the size. The
// stacked layout is p × d × n, page i the configuration of specimen i.
//   stack_from_dataset(x, d):     n × c dataset -> floor(c/d) × d × n stack (no size column)
//   dataset_row(x, cs):           p × 3 configuration -> the row x1 y1 z1 ... xp yp zp cs
//   dataset_from_stack(data, cs): p × d × n stack and n sizes -> n × (dp + 1) dataset
#pragma once

#include "platform/numeric/stack.hpp"

#include <Eigen/Core>

namespace kelmar {

Stack stack_from_dataset(const Eigen::Ref<const Eigen::MatrixXd>& x, int d = 3);

Eigen::RowVectorXd dataset_row(const Eigen::Ref<const Eigen::MatrixXd>& x, double cs);

// `cs` is a row or a column of n sizes, indexed by position; another length raises an Error.
Eigen::MatrixXd dataset_from_stack(const Stack& data, const Eigen::Ref<const Eigen::MatrixXd>& cs);

}  // namespace kelmar
