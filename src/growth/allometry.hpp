// The numbers of the pictures of growth. An allometry plot's regression scores: each specimen's
// coordinates projected on one unit direction u, against the size variable s (ln centroid size
// or centroid size). On a common reference u is the pooled common slope
// b₀ = Σ_g Σ_i s̃ᵢỸᵢ / Σ_g Σ_i s̃ᵢ² (within-sample centring, all samples) and every specimen is
// measured from one origin, the pooled mean shape of all samples: samples on one growth
// trajectory lie on one line, and a difference of shape at equal size shows as an offset. On
// separate references there is no common origin: u is each sample's own unit growth vector and
// its scores are centred on its own mean. Each sample's line is its regression of scores on
// sizes, slope b_g·u, through (s̄_g, mean score).
// Growth as shape change: the pooled mean configuration (p × 3) and, per sample, how far each
// landmark moves over the sample's size range, b_g × (largest − smallest s), as p × 3. And the
// distributions behind the angles of an analysis.
#pragma once

#include "size_variable.hpp"

#include <Eigen/Core>

#include <span>
#include <vector>

namespace kelmar {

struct AllometryScores {
    bool common_direction = true;  // scores on the pooled common slope, else on own vectors
    struct Sample {
        Eigen::VectorXd sizes;      // the size variable, in table order
        Eigen::VectorXd scores;     // in table order
        Eigen::VectorXd direction;  // the unit vector u (C − 1)
        double slope = 0.0;         // of the sample's line
        double mean_size = 0.0;     // the line passes through (mean_size, mean_score)
        double mean_score = 0.0;    // 0 on the sample's own growth vector
    };
    std::vector<Sample> samples;
};

// Raises the Errors of the growth regressions (sizes that do not vary or are not positive on
// log size, no direction) and for samples of different landmark counts with a common direction.
AllometryScores allometry_scores(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                                 bool common_direction);

struct GrowthChange {
    Eigen::MatrixXd reference;            // p × d: the mean of every specimen of every sample
    std::vector<Eigen::MatrixXd> change;  // per sample, p × d
    std::vector<double> size_range;       // per sample: largest − smallest size variable
};

// The angles behind an analysis' numbers: each sample's bootstrap angles with its range values,
// the observed angles, and after a permutation test every pair's permuted angles.
struct AngleDistributions {
    bool isometry = false;
    std::vector<Eigen::VectorXd> bootstrap;  // per sample, ascending; no slope last, as NaN
    std::vector<Eigen::Vector3d> ranges;     // per sample: the 80, 90 and 95 percent values
    Eigen::MatrixXd observed;                // k × k between samples (degrees), k × 1 to isometry
    struct Permuted {
        int a = 0;  // the pair's samples, from 1
        int b = 0;
        double observed = 0.0;
        double ucl95 = 0.0;
        Eigen::VectorXd angles;  // the K + 1 angles, the observed first
    };
    std::vector<Permuted> permuted;
};

// The samples' landmarks are in `dimensions` (2 or 3) dimensions. Raises the Errors of the
// growth regressions, and for samples of different landmark counts.
GrowthChange growth_change(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                           int dimensions = 3);

}  // namespace kelmar
