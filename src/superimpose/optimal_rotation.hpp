// optimal_rotation: the 3 × 3 orthogonal matrix y that turns `subject` onto `reference` in the
// least-squares sense (subject · y ≈ reference), both p × 3. From the SVD
// subjectᵀ · reference = u · S · vᵀ it is u · vᵀ; a reflection (determinant -1) is returned
// when it fits best.
#pragma once

#include <Eigen/Core>

namespace kelmar {

// Raises an Error naming both landmark counts when they differ, or when a configuration does not
// have 3 columns.
Eigen::Matrix3d optimal_rotation(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                 const Eigen::Ref<const Eigen::MatrixXd>& subject);

}  // namespace kelmar
