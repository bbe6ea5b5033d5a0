// Growth vectors of a landmark dataset x (n × C: coordinates in columns 1..C−1, size in column C),
// from the least-squares slopes of every coordinate column on a size variable:
//   log_size_growth_row(x):     unit slopes on ln(size), a 1 × (C−1) row
//   growth_vector_on(x, indpx): unit slopes on `indpx` (n values, a row or a column), a column
//   log_size_lines(x):          unscaled [slope, intercept] rows on ln(size), (C−1) × 2
// Sizes under the logarithm must be positive and the size variable must vary (Error otherwise).
#pragma once

#include "size_variable.hpp"

#include <Eigen/Core>

#include <span>
#include <vector>

namespace kelmar {

Eigen::RowVectorXd log_size_growth_row(const Eigen::Ref<const Eigen::MatrixXd>& x);

Eigen::VectorXd growth_vector_on(const Eigen::Ref<const Eigen::MatrixXd>& x,
                                 const Eigen::Ref<const Eigen::MatrixXd>& indpx);

Eigen::MatrixXd log_size_lines(const Eigen::Ref<const Eigen::MatrixXd>& x);

// The unit growth vector on the size variable, as a column.
Eigen::VectorXd growth_vector(const Eigen::Ref<const Eigen::MatrixXd>& x, SizeVariable size);

// The unit growth vector of each sample, in order; the Error of a sample that has none names it.
std::vector<Eigen::VectorXd> growth_vectors(std::span<const Eigen::MatrixXd* const> samples,
                                            SizeVariable size);

// The angle in degrees between two unit growth vectors, from the arc cosine of their dot product
// (taken of the clamped value when rounding carries it just outside [-1, 1]).
double growth_angle(const Eigen::Ref<const Eigen::VectorXd>& a,
                    const Eigen::Ref<const Eigen::VectorXd>& b);

}  // namespace kelmar
