#include "scaled_samples.hpp"

#include "platform/numeric/safe_scale.hpp"

#include <algorithm>

namespace kelmar {
namespace {

// The largest magnitudes of a sample's coordinates and of its sizes.
std::pair<double, double> largest(const Eigen::MatrixXd& x) {
    if (x.cols() < 2 || x.rows() == 0)
        return {0.0, 0.0};
    return {x.leftCols(x.cols() - 1).cwiseAbs().maxCoeff(),
            x.col(x.cols() - 1).cwiseAbs().maxCoeff()};
}

}  // namespace

ScaledSamples::ScaledSamples(std::span<const Eigen::MatrixXd* const> samples, SizeVariable size,
                             bool common)
    : pointers_(samples.begin(), samples.end()), scales_(samples.size()) {
    double all_coordinates = 0.0, all_sizes = 0.0;
    for (const Eigen::MatrixXd* x : samples) {
        const auto [coordinates, sizes] = largest(*x);
        all_coordinates = std::max(all_coordinates, coordinates);
        all_sizes = std::max(all_sizes, sizes);
    }
    bool any = false;
    for (std::size_t g = 0; g < samples.size(); ++g) {
        const auto [coordinates, sizes] = largest(*samples[g]);
        scales_[g].coordinates = safe_scale(common ? all_coordinates : coordinates);
        scales_[g].sizes =
            size == SizeVariable::log_centroid_size ? 1.0 : safe_scale(common ? all_sizes : sizes);
        any = any || scales_[g].coordinates != 1.0 || scales_[g].sizes != 1.0;
    }
    if (!any)
        return;
    copies_.reserve(samples.size());
    for (std::size_t g = 0; g < samples.size(); ++g) {
        Eigen::MatrixXd x = *samples[g];
        if (x.cols() >= 2) {
            x.leftCols(x.cols() - 1) *= scales_[g].coordinates;
            x.col(x.cols() - 1) *= scales_[g].sizes;
        }
        copies_.push_back(std::move(x));
        pointers_[g] = &copies_.back();
    }
}

}  // namespace kelmar
