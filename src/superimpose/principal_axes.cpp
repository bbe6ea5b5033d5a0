#include "principal_axes.hpp"

#include "platform/numeric/error.hpp"

#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <cmath>
#include <limits>
#include <string>

namespace kelmar {

PrincipalAxes principal_axes(const Eigen::Ref<const Eigen::MatrixXd>& reference) {
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
    // Each axis is turned so that its component of largest magnitude is positive. Components
    // within 100 machine epsilons of the largest magnitude count as tied with it, and the first
    // of them decides: otherwise rounding alone would pick the sign of a symmetric axis.
    constexpr double kTie = 100.0 * std::numeric_limits<double>::epsilon();
    for (int k = 0; k < 3; ++k) {
        const double largest = result.u.col(k).cwiseAbs().maxCoeff();
        int decider = 0;
        while (std::fabs(result.u(decider, k)) < largest * (1.0 - kTie))
            ++decider;
        if (result.u(decider, k) < 0)
            result.u.col(k) *= -1.0;
    }
    // A turn, never a mirror image: the axis of least spread gives way when the signs above
    // would make a reflection.
    if (result.u.determinant() < 0.0)
        result.u.col(0) *= -1.0;
    result.y = reference * result.u;
    return result;
}

Stack rotate_stack(Stack x, const Eigen::Matrix3d& roto) {
    Eigen::Matrix<double, Eigen::Dynamic, 3> turned(x.landmarks(), 3);
    for (Eigen::Index i = 0; i < x.specimens(); ++i) {
        turned.noalias() = x.page(i) * roto;
        x.page(i) = turned;
    }
    return x;
}

}  // namespace kelmar
