#include "principal_axes.hpp"

#include "platform/numeric/error.hpp"

#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <cmath>
#include <limits>
#include <string>

namespace kelmar {

namespace {

// Each axis is turned so that its component of largest magnitude is positive. Components within
// 100 machine epsilons of the largest magnitude count as tied with it, and the first of them
// decides: otherwise rounding alone would pick the sign of a symmetric axis. Then the axis of
// least spread gives way when those signs would make a reflection: a turn, never a mirror image.
template <typename Axes>
void make_proper(Axes& u) {
    constexpr double kTie = 100.0 * std::numeric_limits<double>::epsilon();
    for (int k = 0; k < u.cols(); ++k) {
        const double largest = u.col(k).cwiseAbs().maxCoeff();
        int decider = 0;
        while (std::fabs(u(decider, k)) < largest * (1.0 - kTie))
            ++decider;
        if (u(decider, k) < 0)
            u.col(k) *= -1.0;
    }
    if (u.determinant() < 0.0)
        u.col(0) *= -1.0;
}

template <int D>
PrincipalAxes axes_of(const Eigen::Ref<const Eigen::MatrixXd>& reference) {
    using Square = Eigen::Matrix<double, D, D>;
    const Eigen::MatrixXd centred = reference.rowwise() - reference.colwise().mean();
    const Square covariance =
        centred.transpose() * centred / static_cast<double>(reference.rows() - 1);
    const Eigen::SelfAdjointEigenSolver<Square> solver(covariance);
    if (solver.info() != Eigen::Success) {
        throw Error("the principal axes of the reference could not be computed");
    }
    Square u = solver.eigenvectors();  // eigenvalues increase from the first column on
    make_proper(u);
    PrincipalAxes result;
    result.y = reference * u;
    result.u = u;
    return result;
}

template <int D>
void turn_pages(Stack& x, const Eigen::Matrix<double, D, D>& roto) {
    Eigen::Matrix<double, Eigen::Dynamic, D> turned(x.landmarks(), D);
    for (Eigen::Index i = 0; i < x.specimens(); ++i) {
        turned.noalias() = x.page(i) * roto;
        x.page(i) = turned;
    }
}

}  // namespace

PrincipalAxes principal_axes(const Eigen::Ref<const Eigen::MatrixXd>& reference) {
    if ((reference.cols() != 2 && reference.cols() != 3) || reference.rows() < 2) {
        throw Error(
            "principal axes need a configuration of at least 2 landmarks in 2D or 3D, given " +
            std::to_string(reference.rows()) + " x " + std::to_string(reference.cols()));
    }
    return reference.cols() == 2 ? axes_of<2>(reference) : axes_of<3>(reference);
}

Stack rotate_stack(Stack x, const Eigen::Ref<const Eigen::MatrixXd>& roto) {
    if (roto.rows() != x.dimensions() || roto.cols() != x.dimensions()) {
        throw Error("turning " + std::to_string(x.dimensions()) + "D configurations needs a " +
                    std::to_string(x.dimensions()) + " x " + std::to_string(x.dimensions()) +
                    " matrix, given " + std::to_string(roto.rows()) + " x " +
                    std::to_string(roto.cols()));
    }
    if (x.dimensions() == 2)
        turn_pages<2>(x, Eigen::Matrix2d(roto));
    else
        turn_pages<3>(x, Eigen::Matrix3d(roto));
    return x;
}

}  // namespace kelmar
