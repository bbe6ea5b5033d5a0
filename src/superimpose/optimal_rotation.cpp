#include "optimal_rotation.hpp"

#include "platform/numeric/error.hpp"

#include <Eigen/LU>
#include <Eigen/SVD>
#include <cmath>
#include <string>

namespace kelmar {
namespace {

void check_configurations(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                          const Eigen::Ref<const Eigen::MatrixXd>& subject, int d) {
    if (reference.cols() != d || subject.cols() != d) {
        throw Error("a rotation between configurations needs " + std::to_string(d) +
                    " coordinates per landmark, given " + std::to_string(reference.cols()) +
                    " and " + std::to_string(subject.cols()));
    }
    if (reference.rows() != subject.rows()) {
        throw Error("cannot fit a configuration of " + std::to_string(subject.rows()) +
                    " landmarks onto a reference of " + std::to_string(reference.rows()) +
                    " landmarks");
    }
}

}  // namespace

Eigen::Matrix3d optimal_rotation(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                 const Eigen::Ref<const Eigen::MatrixXd>& subject) {
    check_configurations(reference, subject, 3);
    const Eigen::Matrix3d a = subject.transpose() * reference;
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(a, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Matrix3d u = svd.matrixU();
    // A reflection would fit a specimen as its mirror image, left and right exchanged: the best
    // proper rotation turns the singular vector of the smallest singular value round instead.
    if ((u * svd.matrixV().transpose()).determinant() < 0.0)
        u.col(2) *= -1.0;
    return u * svd.matrixV().transpose();
}

Eigen::Matrix2d optimal_rotation_2d(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                    const Eigen::Ref<const Eigen::MatrixXd>& subject) {
    check_configurations(reference, subject, 2);
    const Eigen::Matrix2d m = subject.transpose() * reference;
    // subject · [c −s; s c] turns each landmark by the angle θ; Σ its dot products with the
    // reference is c·tr(M) + s·(M₂₁ − M₁₂), largest where (c, s) points along that pair.
    const double along = m(0, 0) + m(1, 1);
    const double across = m(1, 0) - m(0, 1);
    const double length = std::hypot(along, across);
    Eigen::Matrix2d y = Eigen::Matrix2d::Identity();
    if (length > 0.0) {
        const double c = along / length, s = across / length;
        y << c, -s, s, c;
    }
    return y;
}

}  // namespace kelmar
