// Samples brought to safe magnitudes for regressions: when a sample's coordinates (or, on
// centroid size, its sizes) lie beyond 2^±400, its coordinates are multiplied by one power of
// two and its sizes by another, so that sums of squares neither overflow nor underflow. With
// `common` every sample takes the same two factors, as a regression pooled across samples needs;
// otherwise each sample takes its own. Powers of two are exact: slopes in a sample's own units
// are its scaled slopes times slope_factor(g), bit for bit, and samples of ordinary magnitudes
// are used as they are.
#pragma once

#include "size_variable.hpp"

#include <Eigen/Core>

#include <span>
#include <vector>

namespace kelmar {

class ScaledSamples {
  public:
    // Log centroid sizes need no scaling.
    ScaledSamples(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size, bool common);

    // The samples to compute with: the originals, or their scaled copies.
    std::span<const Eigen::MatrixXd* const> samples() const { return pointers_; }
    double coordinate_scale(std::size_t g) const { return scales_[g].coordinates; }
    double size_scale(std::size_t g) const { return scales_[g].sizes; }
    // The factor that takes a slope of scaled sample g back to the sample's own units.
    double slope_factor(std::size_t g) const { return scales_[g].sizes / scales_[g].coordinates; }

  private:
    struct Scales {
        double coordinates = 1.0;
        double sizes = 1.0;
    };
    std::vector<Eigen::MatrixXd> copies_;
    std::vector<const Eigen::MatrixXd*> pointers_;
    std::vector<Scales> scales_;
};

}  // namespace kelmar
