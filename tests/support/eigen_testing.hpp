// Test helpers for matrices: near-equality that names the first failing element, and random
// configurations, rotations and reflections with a seed that is printed on failure.
#pragma once

#include <gtest/gtest.h>
#include <Eigen/Core>
#include <Eigen/LU>
#include <Eigen/QR>

#include <cmath>
#include <random>
#include <sstream>

namespace kelmar::testing {

inline ::testing::AssertionResult matrices_near(const Eigen::MatrixXd& actual,
                                                const Eigen::MatrixXd& expected, double tolerance) {
    if (actual.rows() != expected.rows() || actual.cols() != expected.cols()) {
        return ::testing::AssertionFailure()
               << "size " << actual.rows() << "x" << actual.cols() << ", expected "
               << expected.rows() << "x" << expected.cols();
    }
    for (Eigen::Index j = 0; j < actual.cols(); ++j) {
        for (Eigen::Index i = 0; i < actual.rows(); ++i) {
            const double a = actual(i, j);
            const double e = expected(i, j);
            if (!(std::fabs(a - e) <= tolerance)) {
                std::ostringstream s;
                s.precision(17);
                s << "element (" << i << ", " << j << ") is " << a << ", expected " << e
                  << " (difference " << std::fabs(a - e) << ", tolerance " << tolerance << ")";
                return ::testing::AssertionFailure() << s.str();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

inline Eigen::MatrixXd random_matrix(Eigen::Index rows, Eigen::Index cols, std::mt19937& gen,
                                     double spread = 1.0) {
    std::normal_distribution<double> normal(0.0, spread);
    Eigen::MatrixXd m(rows, cols);
    for (Eigen::Index j = 0; j < cols; ++j) {
        for (Eigen::Index i = 0; i < rows; ++i)
            m(i, j) = normal(gen);
    }
    return m;
}

// A random orthogonal 3 × 3 matrix of determinant +1 (proper) or -1 (with a reflection).
inline Eigen::Matrix3d random_orthogonal(std::mt19937& gen, bool proper = true) {
    const Eigen::Matrix3d a = random_matrix(3, 3, gen);
    Eigen::Matrix3d q = Eigen::HouseholderQR<Eigen::Matrix3d>(a).householderQ();
    if ((q.determinant() > 0) != proper)
        q.col(0) *= -1.0;
    return q;
}

// A centred configuration of unit centroid size whose landmarks do not lie in one plane.
inline Eigen::MatrixXd random_shape(Eigen::Index p, std::mt19937& gen) {
    Eigen::MatrixXd c = random_matrix(p, 3, gen);
    c.rowwise() -= c.colwise().mean();
    return c / c.norm();
}

}  // namespace kelmar::testing
