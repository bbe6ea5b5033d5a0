// The samples in shape space: the principal components of all specimens' coordinates on one
// common reference about their grand mean (the eigenvectors of their covariance, variances in
// decreasing order, each eigenvector's component of largest magnitude positive), every specimen's
// scores, and each component's share of the variance. In form space (size-and-shape space) each
// specimen's log centroid size is one more variable after its coordinates. Each sample's
// trajectory is its scores' least-squares line on the size variable over its size range.
#pragma once

#include "size_variable.hpp"

#include <Eigen/Core>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

// The scores kept for reports and exports: the first 20 components at most.
constexpr Eigen::Index kScoresKept = 20;

struct ShapeSpace {
    bool form_space = false;
    Eigen::RowVectorXd mean;    // of the variables
    Eigen::VectorXd variances;  // of the components of non-zero variance, decreasing (N − 1)
    Eigen::VectorXd shares;     // each variance over their sum
    Eigen::MatrixXd loadings;   // variables × components, unit columns
    Eigen::MatrixXd scores;     // specimens × the first components asked for
    std::vector<Eigen::Index> first, count;  // each sample's rows
    Eigen::VectorXd sizes;  // the size variable of every specimen, for the trajectories
};

// The shape space of the samples (each n_g × C, centroid size in column C), with the scores of
// the first `scores_kept` components (fewer when fewer vary). Raises an Error for no sample,
// samples of different landmark counts, fewer than 2 specimens, sizes that are not positive
// (in form space or on log size), and specimens that are all alike.
ShapeSpace shape_space(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                       bool form_space, Eigen::Index scores_kept = kScoresKept, int threads = 0);

// A sample's line through components `i` and `j` (from 0): its scores' fit on the size variable
// at the sample's smallest and largest size.
struct Trajectory {
    double size_from = 0.0;
    double size_to = 0.0;
    Eigen::Vector2d from = Eigen::Vector2d::Zero();
    Eigen::Vector2d to = Eigen::Vector2d::Zero();
};

// One trajectory per sample; `i` and `j` must be among the scores kept. A sample whose sizes do
// not vary has no line: its trajectory starts and ends at its mean scores.
std::vector<Trajectory> trajectories(const ShapeSpace& space, Eigen::Index i, Eigen::Index j);

// Two different component numbers from 1 written "I,J" (blanks allowed); nothing otherwise.
std::optional<std::array<Eigen::Index, 2>> parse_component_pair(std::string_view text);

// Raises an Error, naming `where` the components were asked for, when one of `components` is
// beyond the components of non-zero variance of `space`.
void check_components(const ShapeSpace& space, const std::array<Eigen::Index, 2>& components,
                      const std::string& where);

}  // namespace kelmar
