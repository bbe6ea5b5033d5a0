// partial_procrustes_fit: the partial Procrustes fit of `subject` onto `reference` (both p × 3,
// or both p × 2):
// `subject` centred, scaled to unit centroid size and turned by optimal_rotation onto `reference`,
// which is used as given. When the rotation fails its orthogonality check (transpose(roto) · roto
// at (1, 1), rounded to five decimals, is not 1) the console shows stemp = "Error in rotation",
// roto and temp, and the fit goes on.
#pragma once

#include <Eigen/Core>

namespace kelmar {

// Raises an Error when the subject's landmarks all coincide (centroid size 0), when its
// coordinates are not finite, or when the landmark counts differ.
Eigen::MatrixXd partial_procrustes_fit(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                       const Eigen::Ref<const Eigen::MatrixXd>& subject);

// The same fit, replacing `subject` by its fitted configuration without allocating.
void partial_procrustes_fit_in_place(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                     Eigen::Ref<Eigen::MatrixXd> subject);

// The orthogonality check of a fitted rotation; on failure writes the console report.
bool check_rotation(const Eigen::Ref<const Eigen::MatrixXd>& roto);

}  // namespace kelmar
