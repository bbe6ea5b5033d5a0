// optimal_rotation: the proper rotation y (determinant +1) that turns `subject` onto `reference`
// in the least-squares sense (subject · y ≈ reference), both p × d.
//   3D: from the SVD subjectᵀ · reference = u · S · vᵀ it is u · vᵀ, or u · diag(1, 1, -1) · vᵀ
//       when u · vᵀ would be a reflection.
//   2D: the turn by the angle whose cosine and sine are proportional to tr(M) and M₂₁ − M₁₂ of
//       M = subjectᵀ · reference (the identity when both are 0).
// A specimen is never fitted as its mirror image.
#pragma once

#include <Eigen/Core>

namespace kelmar {

// Raises an Error naming both landmark counts when they differ, or when a configuration does not
// have 3 columns.
Eigen::Matrix3d optimal_rotation(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                 const Eigen::Ref<const Eigen::MatrixXd>& subject);

// The same for 2D configurations (p × 2).
Eigen::Matrix2d optimal_rotation_2d(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                    const Eigen::Ref<const Eigen::MatrixXd>& subject);

}  // namespace kelmar
