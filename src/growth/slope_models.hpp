// The models behind the comparison of growth slopes, fitted once: every sample's centred sizes,
// weights and centred coordinates (n × d, or n × n in an orthonormal frame of their span when
// the specimens are fewer than the coordinates), the residuals of one common slope for all
// samples, and each pair's own common slope.
#pragma once

#include "size_variable.hpp"

#include <Eigen/Core>

#include <span>
#include <vector>

namespace kelmar::slope_models {

using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// One pair of samples and its own common-slope model. A permutation of the pair's residual rows
// enters only through δ = d_g − d_h = Σ_t c_t·E0_π(t), with c_t = s̃_t/Sxx_g on g's rows and
// −s̃_t/Sxx_h on h's: its slopes are b0 + λ·(Sxx_h/S)·δ and b0 − λ·(Sxx_g/S)·δ (S = Sxx_g + Sxx_h),
// because d_g − γ = (Sxx_h/S)·δ and d_h − γ = −(Sxx_g/S)·δ.
struct Pair {
    Eigen::Index g = 0, h = 0;  // sample indexes from 0
    Eigen::Index n = 0;         // rows: g's, then h's
    Eigen::VectorXd c;          // c_t of each of the pair's rows
    Eigen::VectorXd st;         // centred sizes of the pair's rows
    Eigen::RowVectorXd b0;      // the pair's common slope, in the frame
    double b0_squared = 0.0;    // ‖b0‖²
    double share_g = 0.0;       // Sxx_g/S
    double share_h = 0.0;       // Sxx_h/S
    double lambda = 1.0;        // √((n − 1)/(n − 3))
};

struct Plan {
    Eigen::Index n = 0;  // specimens of all samples
    Eigen::Index k = 0;  // samples
    Eigen::Index permutations = 0;
    Eigen::Index chunk = 1;                  // permutations drawn and computed together
    std::vector<Eigen::Index> first, count;  // each sample's rows
    std::vector<Eigen::Index> sample_of;     // each row's sample
    Eigen::VectorXd w;                       // each row's weight s̃/Sxx in its sample's slopes
    Eigen::VectorXd sxx;                     // Σ s̃² of each sample
    double sxx_total = 0.0;
    // Centred coordinates, and the residuals of the common-slope model of all samples, in an
    // orthonormal frame of their span when that is smaller than the coordinates.
    RowMatrix yc;
    RowMatrix e0;
    double e0_squared = 0.0;  // Σ‖E0‖²
    std::vector<Pair> pairs;
    double slope_unit = 1.0;  // undoes the power-of-two scaling of the slopes' lengths
    // With the terms of the sequential Procrustes ANOVA: the residuals of the model before each
    // term (the grand mean before size; one line for all specimens before sample, with two
    // samples or more), in an orthonormal frame of their span when that is smaller than the
    // coordinates, with their sums of squares; each sample's mean size about the grand mean, and
    // Σ (s − s̄)² over all specimens.
    std::vector<RowMatrix> term_residuals;
    std::vector<double> term_squared;
    Eigen::VectorXd mean_size;
    double size_squares = 0.0;
};

// Checks and fits the samples (each n_g × C, size in column C) on log size or size. Raises an
// Error naming the sample for fewer than 2 samples (one is enough `with_terms`), different
// landmark counts, a sample of fewer than 2 specimens or whose sizes do not vary or are not
// positive on log size, and N ≤ 2k. `with_terms` also fits the models before the ANOVA's terms.
Plan make_plan(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
               bool with_terms = false);

}  // namespace kelmar::slope_models
