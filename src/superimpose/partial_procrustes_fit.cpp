#include "partial_procrustes_fit.hpp"

#include "optimal_rotation.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <cmath>

namespace kelmar {

bool check_rotation(const Eigen::Ref<const Eigen::MatrixXd>& roto) {
    const Eigen::MatrixXd temp = roto.transpose() * roto;
    // std::round rounds halves away from zero, as the check requires.
    if (std::round(100000.0 * temp(0, 0)) / 100000.0 == 1.0) {
        return true;
    }
    echo_value("stemp", "Error in rotation");
    echo_value("roto", Value::from_matrix(roto));
    echo_value("temp", Value::from_matrix(temp));
    return false;
}

void partial_procrustes_fit_in_place(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                     Eigen::Ref<Eigen::MatrixXd> subject) {
    if (subject.rows() == 0) {
        throw Error("a configuration without landmarks cannot be fitted");
    }
    // The fit scales to unit size anyway, so extreme magnitudes are first brought near 1.
    const double scale = safe_scale_of(subject);
    if (scale != 1.0)
        subject *= scale;
    const Eigen::RowVectorXd centroid = subject.colwise().mean();
    subject.rowwise() -= centroid;
    const double size = std::sqrt(subject.squaredNorm());
    if (!std::isfinite(size)) {
        throw Error("the configuration holds coordinates that are not finite numbers");
    }
    if (size == 0.0) {
        throw Error("the landmarks of the configuration all coincide (centroid size 0)");
    }
    subject /= size;
    if (subject.cols() == 2) {
        const Eigen::Matrix2d roto = optimal_rotation_2d(reference, subject);
        check_rotation(roto);
        subject = subject * roto;
        return;
    }
    const Eigen::Matrix3d roto = optimal_rotation(reference, subject);
    check_rotation(roto);
    subject = subject * roto;
}

Eigen::MatrixXd partial_procrustes_fit(const Eigen::Ref<const Eigen::MatrixXd>& reference,
                                       const Eigen::Ref<const Eigen::MatrixXd>& subject) {
    Eigen::MatrixXd y = subject;
    partial_procrustes_fit_in_place(reference, y);
    return y;
}

}  // namespace kelmar
