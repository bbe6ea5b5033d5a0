// optimal_rotation: the 3 × 3 proper rotation y (determinant +1) that turns `subject` onto
// `reference` in the least-squares sense (subject · y ≈ reference), both p × 3. From the SVD
// subjectᵀ · reference = u · S · vᵀ it is u · vᵀ, or u · diag(1, 1, -1) · vᵀ when u · vᵀ would
// be a reflection: a specimen is never fitted as its mirror image.
#pragma once

#include <Eigen/Core>

namespace kelmar {

// Raises an Error naming both landmark counts when they differ, or when a configuration does not
// have 3 columns.
Eigen::Matrix3d optimal_rotation(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                 const Eigen::Ref<const Eigen::MatrixXd>& subject);

}  // namespace kelmar
