#include "optimal_rotation.hpp"

#include "platform/numeric/error.hpp"

#include <Eigen/LU>
#include <Eigen/SVD>
#include <string>

namespace kelmar {

Eigen::Matrix3d optimal_rotation(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                 const Eigen::Ref<const Eigen::MatrixXd>& subject) {
    if (reference.cols() != 3 || subject.cols() != 3) {
        throw Error("a rotation between configurations needs 3 coordinates per landmark, given " +
                    std::to_string(reference.cols()) + " and " + std::to_string(subject.cols()));
    }
    if (reference.rows() != subject.rows()) {
        throw Error("cannot fit a configuration of " + std::to_string(subject.rows()) +
                    " landmarks onto a reference of " + std::to_string(reference.rows()) +
                    " landmarks");
    }
    const Eigen::Matrix3d a = subject.transpose() * reference;
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(a, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Matrix3d u = svd.matrixU();
    // A reflection would fit a specimen as its mirror image, left and right exchanged: the best
    // proper rotation turns the singular vector of the smallest singular value round instead.
    if ((u * svd.matrixV().transpose()).determinant() < 0.0)
        u.col(2) *= -1.0;
    return u * svd.matrixV().transpose();
}

}  // namespace kelmar
