// The least-squares line shared by every growth regression: for coordinate column j and size
// variable s, slope b_j = Σ(s_i − s̄)(x_ij − x̄_j) / Σ(s_i − s̄)² and intercept a_j = x̄_j − b_j·s̄.
// Also the size variables themselves: the last column of a dataset, or its natural logarithm.
#pragma once

#include "size_variable.hpp"

#include <Eigen/Core>

#include <span>

namespace kelmar {

// C − 1 × 2 matrix [slope, intercept] of every column of `coordinates` (n × (C − 1)) on `s` (n).
// Raises an Error when `s` has another length, or when it does not vary (no slope exists).
Eigen::MatrixXd least_squares_lines(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                    const Eigen::Ref<const Eigen::VectorXd>& s);

// The lines of least_squares_lines divided by the slopes' Euclidean norm, so that the slope
// column is the unit growth vector. They are computed on the coordinates and sizes scaled by
// powers of two, so slopes beyond the largest double (coordinates near 1e306 on log sizes) still
// give their direction exactly. Raises the Errors of least_squares_lines,
// check_growth_beyond_rounding and slope_norm.
Eigen::MatrixXd unit_growth_lines(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                  const Eigen::Ref<const Eigen::VectorXd>& s);

// Raises an Error when the coordinates change with size by no more than rounding would move
// them, so the slopes' direction is noise (identical shapes at different sizes).
void check_growth_beyond_rounding(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                  const Eigen::Ref<const Eigen::VectorXd>& s,
                                  const Eigen::Ref<const Eigen::VectorXd>& slopes);

// The last column of a dataset (n × C, C ≥ 2); raises an Error for fewer than 2 columns.
Eigen::VectorXd size_column(const Eigen::Ref<const Eigen::MatrixXd>& x);

// The natural logarithm of the last column; raises an Error naming the first specimen whose
// size is not positive.
Eigen::VectorXd log_size_column(const Eigen::Ref<const Eigen::MatrixXd>& x);

// The size variable's values of a dataset: its size column, or the column's logarithm.
Eigen::VectorXd size_values(const Eigen::Ref<const Eigen::MatrixXd>& x, SizeVariable size);

// The Euclidean norm of the slopes, by which a growth vector is scaled to unit length; raises an
// Error when every slope is zero (the growth vector would have no direction).
double slope_norm(const Eigen::Ref<const Eigen::VectorXd>& slopes);

// The weights (s_i − s̄)/Σ(s − s̄)² of a set's sizes t, whose dot product with a coordinate column
// is that column's slope; false (and the weights unset) when the sizes do not vary. The
// deviations are centred a second time: when the sizes barely vary, the rounding of s̄ leaves
// them a sum far from zero, and the slopes would then take up a share of the coordinates' mean,
// which the regression does not see.
bool slope_weights(std::span<const double> t, std::span<double> weights);

}  // namespace kelmar
