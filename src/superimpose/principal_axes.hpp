// principal_axes: a reference configuration (p × d, d = 2 or 3) turned to its principal axes:
// with u the d × d matrix of unit eigenvectors of the coordinates' covariance (divisor p - 1)
// ordered by increasing eigenvalue, y = reference · u, so y's last column runs along the largest
// spread. Each eigenvector's component of largest magnitude is made positive (the first on a
// tie), so results are the same on every machine; then the axis of least spread is turned round
// when that makes u a reflection, so u is always a proper rotation (determinant +1).
// rotate_stack: every page of a p × d × n stack turned by a d × d matrix (page · roto).
#pragma once

#include "platform/numeric/stack.hpp"

#include <Eigen/Core>

namespace kelmar {

struct PrincipalAxes {
    Eigen::MatrixXd y;  // p × d
    Eigen::MatrixXd u;  // d × d, a proper rotation
};

// Raises an Error for a reference of fewer than 2 landmarks or of other than 2 or 3 columns.
PrincipalAxes principal_axes(const Eigen::Ref<const Eigen::MatrixXd>& reference);

// Raises an Error when `roto` is not d × d for the stack's d.
Stack rotate_stack(Stack x, const Eigen::Ref<const Eigen::MatrixXd>& roto);

}  // namespace kelmar
