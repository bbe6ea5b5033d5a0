#include "least_squares.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace kelmar {
namespace {

// Slopes and intercepts of coordinates and sizes of ordinary magnitude. Each column is centred
// as it is used, so no centred copy of the whole table is made.
Eigen::MatrixXd lines_of(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                         const Eigen::Ref<const Eigen::VectorXd>& s) {
    const double s_mean = s.mean();
    const Eigen::VectorXd sc = s.array() - s_mean;
    const double sss = sc.squaredNorm();
    Eigen::MatrixXd lines(coordinates.cols(), 2);
    for (Eigen::Index j = 0; j < coordinates.cols(); ++j) {
        const double x_mean = coordinates.col(j).mean();
        lines(j, 0) = (coordinates.col(j).array() - x_mean).matrix().dot(sc) / sss;
        lines(j, 1) = x_mean - lines(j, 0) * s_mean;
    }
    return lines;
}

void check_regression(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                      const Eigen::Ref<const Eigen::VectorXd>& s) {
    const Eigen::Index n = coordinates.rows();
    if (s.size() != n) {
        throw Error("the size variable holds " + std::to_string(s.size()) +
                    " values for a dataset of " + std::to_string(n) + " specimens");
    }
    if (n < 2 || s.minCoeff() == s.maxCoeff()) {
        throw Error("the size variable does not vary over the " + std::to_string(n) +
                    " specimens, so the coordinates have no regression slope on size");
    }
}

// The largest change of any coordinate over the size range against the coordinates' magnitude,
// all in scaled units (see check_growth_beyond_rounding).
void check_scaled_growth(double magnitude, double range,
                         const Eigen::Ref<const Eigen::VectorXd>& slopes) {
    // Rounding in the superimposition and the regression moves coordinates by some 1e-16 of
    // their magnitude (a few thousand ulps at most), and measured growth moves them by far more:
    // 0.07 to 0.6 of their magnitude in the bundled samples, and landmarks are digitised to about
    // 1e-4 at best. A change below 1e-10 of the magnitude is therefore rounding, not growth, and
    // its direction would be noise.
    constexpr double kRounding = 1e-10;
    const double change = slopes.cwiseAbs().maxCoeff() * range;
    if (change <= kRounding * magnitude) {
        throw Error(
            "the coordinates do not change with size beyond rounding (the largest change over "
            "the size range is " +
            shortest_text(magnitude > 0 ? change / magnitude : 0.0) +
            " of their magnitude), so the sample has no growth direction: are all its shapes "
            "identical?");
    }
}

}  // namespace

Eigen::MatrixXd least_squares_lines(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                    const Eigen::Ref<const Eigen::VectorXd>& s) {
    check_regression(coordinates, s);
    // Coordinates or sizes near 1e306 or 1e-300 are scaled by powers of two, which the slopes
    // and intercepts then undo exactly.
    const double x_scale = safe_scale_of(coordinates);
    const double s_scale = safe_scale_of(s);
    if (x_scale == 1.0 && s_scale == 1.0)
        return lines_of(coordinates, s);
    Eigen::MatrixXd lines = lines_of(coordinates * x_scale, s * s_scale);
    lines.col(0) *= s_scale / x_scale;
    lines.col(1) /= x_scale;
    return lines;
}

Eigen::MatrixXd unit_growth_lines(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                  const Eigen::Ref<const Eigen::VectorXd>& s) {
    check_regression(coordinates, s);
    const double x_scale = safe_scale_of(coordinates);
    const double s_scale = safe_scale_of(s);
    if (x_scale == 1.0 && s_scale == 1.0) {
        Eigen::MatrixXd lines = lines_of(coordinates, s);
        check_scaled_growth(coordinates.cwiseAbs().maxCoeff(), s.maxCoeff() - s.minCoeff(),
                            lines.col(0));
        return lines / slope_norm(lines.col(0));
    }
    // Scaled slopes b·s_scale/x_scale point the same way; the intercepts, a/x_scale, come back
    // to a/norm once divided by the scaled norm and s_scale.
    Eigen::MatrixXd lines = lines_of(coordinates * x_scale, s * s_scale);
    check_scaled_growth((coordinates * x_scale).cwiseAbs().maxCoeff(),
                        (s.maxCoeff() - s.minCoeff()) * s_scale, lines.col(0));
    const double norm = slope_norm(lines.col(0));
    lines.col(0) /= norm;
    lines.col(1) /= norm * s_scale;
    if (!lines.allFinite()) {
        throw Error(
            "the growth regression gives no finite direction: the coordinates or sizes lie beyond "
            "the range of double-precision numbers");
    }
    return lines;
}

void check_growth_beyond_rounding(const Eigen::Ref<const Eigen::MatrixXd>& coordinates,
                                  const Eigen::Ref<const Eigen::VectorXd>& s,
                                  const Eigen::Ref<const Eigen::VectorXd>& slopes) {
    if (coordinates.size() == 0 || s.size() == 0)
        return;
    const double x_scale = safe_scale_of(coordinates);
    const double s_scale = safe_scale_of(s);
    check_scaled_growth((coordinates * x_scale).cwiseAbs().maxCoeff(),
                        (s.maxCoeff() - s.minCoeff()) * s_scale, slopes * (x_scale / s_scale));
}

Eigen::VectorXd size_column(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    if (x.cols() < 2) {
        throw Error("a growth regression needs coordinate columns and a size column, given " +
                    std::to_string(x.cols()) + " column(s)");
    }
    return x.col(x.cols() - 1);
}

Eigen::VectorXd log_size_column(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    Eigen::VectorXd s = size_column(x);
    for (Eigen::Index i = 0; i < s.size(); ++i) {
        if (!(s(i) > 0.0)) {
            throw Error("specimen " + std::to_string(i + 1) + " has size " + shortest_text(s(i)) +
                        ", but log centroid size needs sizes greater than 0");
        }
        s(i) = std::log(s(i));
    }
    return s;
}

Eigen::VectorXd size_values(const Eigen::Ref<const Eigen::MatrixXd>& x, SizeVariable size) {
    return size == SizeVariable::log_centroid_size ? log_size_column(x) : size_column(x);
}

double slope_norm(const Eigen::Ref<const Eigen::VectorXd>& slopes) {
    const double norm = safe_norm(slopes);
    if (norm == 0.0) {
        throw Error("every coordinate has slope 0 on size, so the growth vector has no direction");
    }
    return norm;
}

bool slope_weights(std::span<const double> t, std::span<double> weights) {
    if (t.size() < 2)
        return false;
    double lowest = t[0];
    double highest = t[0];
    double sum = 0.0;
    for (double v : t) {
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
        sum += v;
    }
    if (lowest == highest)
        return false;
    const double count = static_cast<double>(t.size());
    const double mean = sum / count;
    double deviation_sum = 0.0;
    for (std::size_t q = 0; q < t.size(); ++q) {
        weights[q] = t[q] - mean;
        deviation_sum += weights[q];
    }
    const double correction = deviation_sum / count;
    double sum_of_squares = 0.0;
    for (double& w : weights) {
        w -= correction;
        sum_of_squares += w * w;
    }
    for (double& w : weights)
        w /= sum_of_squares;
    return true;
}

}  // namespace kelmar
