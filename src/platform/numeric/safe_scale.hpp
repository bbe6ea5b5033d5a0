// Scaling by a power of two before sums of squares, so that centroid sizes, norms and
// regressions of coordinates near 1e306 or 1e-300 neither overflow nor underflow. Multiplying by a
// power of two is exact, and ordinary magnitudes get the factor 1, so their results stay
// bit-identical to the unscaled arithmetic.
#pragma once

#include <Eigen/Core>
#include <cmath>

namespace kelmar {

// 1 when `largest` (the largest magnitude of the values) lies between 2^-400 and 2^400, where a
// sum of up to 2^200 squares is safe; otherwise the power of two that brings it near 1. Zero,
// infinity and NaN get 1, so the callers' own checks still see them.
inline double safe_scale(double largest) {
    if (!(largest > 0.0) || !std::isfinite(largest))
        return 1.0;
    const int exponent = std::ilogb(largest);
    if (exponent >= -400 && exponent <= 400)
        return 1.0;
    return std::ldexp(1.0, -exponent);
}

template <typename Derived>
double safe_scale_of(const Eigen::MatrixBase<Derived>& values) {
    return values.size() == 0 ? 1.0 : safe_scale(values.cwiseAbs().maxCoeff());
}

// The Euclidean norm without overflow or underflow.
template <typename Derived>
double safe_norm(const Eigen::MatrixBase<Derived>& values) {
    const double scale = safe_scale_of(values);
    if (scale == 1.0)
        return std::sqrt(values.squaredNorm());
    return std::sqrt((values * scale).squaredNorm()) / scale;
}

}  // namespace kelmar
