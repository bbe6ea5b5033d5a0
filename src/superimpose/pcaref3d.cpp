#include "pcaref3d.hpp"

#include "platform/numeric/error.hpp"

#include <Eigen/Eigenvalues>
#include <cmath>
#include <string>

namespace kelmar {

PrincipalAxes pcaref3d(const Eigen::Ref<const Eigen::MatrixXd>& reference) {
    if (reference.cols() != 3 || reference.rows() < 2) {
        throw Error("principal axes need a configuration of at least 2 landmarks in 3D, given " +
                    std::to_string(reference.rows()) + " x " + std::to_string(reference.cols()));
    }
    const Eigen::MatrixXd centred = reference.rowwise() - reference.colwise().mean();
    const Eigen::Matrix3d covariance =
        centred.transpose() * centred / static_cast<double>(reference.rows() - 1);
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> solver(covariance);
    if (solver.info() != Eigen::Success) {
        throw Error("the principal axes of the reference could not be computed");
    }
    PrincipalAxes result;
    result.u = solver.eigenvectors();  // eigenvalues increase from column 1 to 3
    for (int k = 0; k < 3; ++k) {
        int largest = 0;
        for (int j = 1; j < 3; ++j) {
            if (std::fabs(result.u(j, k)) > std::fabs(result.u(largest, k)))
                largest = j;
        }
        if (result.u(largest, k) < 0)
            result.u.col(k) *= -1.0;
    }
    result.y = reference * result.u;
    return result;
}

Stack rotate3da(const Stack& x, const Eigen::Matrix3d& roto) {
    Stack y(x.landmarks(), x.specimens());
    for (Eigen::Index i = 0; i < x.specimens(); ++i) {
        y.page(i).noalias() = x.page(i) * roto;
    }
    return y;
}

}  // namespace kelmar
