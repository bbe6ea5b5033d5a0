#include "missing_landmarks.hpp"

#include "gls_reference.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <Eigen/Eigenvalues>
#include <Eigen/LU>

#include <cmath>

namespace kelmar {
namespace {

// The present points' spread in their flattest direction below this share of their widest means
// they lie on a line (2D) or a plane (3D): no spline can carry the missing points off it.
constexpr double kFlat = 1e-8;

// Whether the rows of `points` (k × d) span all d dimensions: the smallest eigenvalue of their
// scatter against the largest.
bool spans_all_dimensions(const Eigen::Ref<const Eigen::MatrixXd>& points) {
    const Eigen::MatrixXd centred = points.rowwise() - points.colwise().mean();
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> scatter(centred.transpose() * centred,
                                                                 Eigen::EigenvaluesOnly);
    const Eigen::VectorXd v = scatter.eigenvalues();
    return v(v.size() - 1) > 0.0 && v(0) > kFlat * kFlat * v(v.size() - 1);
}

// Specimen `i` as p × d.
Eigen::MatrixXd configuration(const Eigen::MatrixXd& coordinates, Eigen::Index i, int d) {
    const Eigen::RowVectorXd row = coordinates.row(i);
    return row.reshaped(d, coordinates.cols() / d).transpose();
}

std::string specimen_name(const std::vector<std::string>& names, Eigen::Index i) {
    if (static_cast<std::size_t>(i) < names.size())
        return "specimen " + in_quotes(names[static_cast<std::size_t>(i)]);
    return "specimen " + std::to_string(i + 1);
}

// The matrix of the spline of all p landmarks of `mean` (p × d): [K P; Pᵀ 0], K_ij =
// U(‖mean_i − mean_j‖), P = [1 mean].
Eigen::MatrixXd spline_system(const Eigen::MatrixXd& mean) {
    const Eigen::Index k = mean.rows();
    const Eigen::Index d = mean.cols();
    Eigen::MatrixXd system = Eigen::MatrixXd::Zero(k + d + 1, k + d + 1);
    for (Eigen::Index j = 0; j < k; ++j) {
        for (Eigen::Index i = j + 1; i < k; ++i) {
            const double u = ThinPlateSpline::kernel((mean.row(i) - mean.row(j)).norm(), d);
            system(i, j) = u;
            system(j, i) = u;
        }
    }
    system.block(0, k, k, 1).setOnes();
    system.block(0, k + 1, k, d) = mean;
    system.block(k, 0, d + 1, k) = system.block(0, k, k, d + 1).transpose();
    return system;
}

}  // namespace

double ThinPlateSpline::kernel(double r, Eigen::Index d) {
    if (d == 3)
        return r;
    return r > 0.0 ? r * r * std::log(r) : 0.0;
}

ThinPlateSpline::ThinPlateSpline(const Eigen::Ref<const Eigen::MatrixXd>& from,
                                 const Eigen::Ref<const Eigen::MatrixXd>& to)
    : from_(from) {
    const Eigen::Index k = from.rows();
    const Eigen::Index d = from.cols();
    if (k < d + 1 || !spans_all_dimensions(from)) {
        throw Error(std::string("a thin-plate spline needs points that span the ") +
                    (d == 2 ? "plane, not a line" : "space, not a plane"));
    }
    // [K P; Pᵀ 0] [w; a] = [to; 0].
    const Eigen::Index size = k + d + 1;
    const Eigen::MatrixXd system = spline_system(from);
    Eigen::MatrixXd right = Eigen::MatrixXd::Zero(size, d);
    right.topRows(k) = to;
    const Eigen::MatrixXd solution = system.partialPivLu().solve(right);
    weights_ = solution.topRows(k);
    affine_ = solution.bottomRows(d + 1);
}

Eigen::MatrixXd ThinPlateSpline::operator()(const Eigen::Ref<const Eigen::MatrixXd>& points) const {
    const Eigen::Index d = from_.cols();
    Eigen::MatrixXd out = (points * affine_.bottomRows(d)).rowwise() + affine_.row(0);
    for (Eigen::Index m = 0; m < points.rows(); ++m) {
        for (Eigen::Index i = 0; i < from_.rows(); ++i)
            out.row(m) += kernel((points.row(m) - from_.row(i)).norm(), d) * weights_.row(i);
    }
    return out;
}

std::vector<EstimatedLandmark> estimate_missing_landmarks(Eigen::MatrixXd& coordinates, int d,
                                                          const std::vector<std::string>& names) {
    const Eigen::Index n = coordinates.rows();
    const Eigen::Index p = coordinates.cols() / d;
    std::vector<Eigen::Index> complete;
    std::vector<Eigen::Index> incomplete;
    for (Eigen::Index i = 0; i < n; ++i)
        (coordinates.row(i).hasNaN() ? incomplete : complete).push_back(i);
    std::vector<EstimatedLandmark> estimated;
    if (incomplete.empty())
        return estimated;
    if (complete.size() < 2) {
        throw Error("estimating missing landmarks needs at least 2 complete specimens, and " +
                    std::to_string(complete.size()) + " of " + std::to_string(n) + " are complete");
    }
    Stack whole(p, static_cast<Eigen::Index>(complete.size()), d);
    for (std::size_t c = 0; c < complete.size(); ++c)
        whole.page(static_cast<Eigen::Index>(c)) = configuration(coordinates, complete[c], d);
    const Eigen::MatrixXd mean = gls_reference(std::move(whole)).reference;
    if (!spans_all_dimensions(mean)) {
        throw Error(std::string("the complete specimens' mean shape lies on ") +
                    (d == 2 ? "a line" : "a plane") + ", so no spline can carry it off");
    }

    // The spline commutes with translation, scaling and rotation: the one from M[P] fitted onto
    // X[P] to X[P], at the fitted M's missing landmarks, is the one from M[P] itself at M's own.
    // Each specimen's system is therefore the system of all of M's landmarks without the missing
    // ones, and with B its inverse, the principal submatrix's inverse is
    //   (A_kk)⁻¹ = B_kk − B_km (B_mm)⁻¹ B_mk   (k: kept rows, m: missing landmarks),
    // so one inversion serves every specimen. The estimates are A_mk·[w; a].
    const Eigen::MatrixXd system = spline_system(mean);
    const Eigen::MatrixXd inverse = system.partialPivLu().inverse();
    std::vector<Eigen::Index> kept, missing;
    for (const Eigen::Index i : incomplete) {
        const Eigen::MatrixXd specimen = configuration(coordinates, i, d);
        kept.clear();
        missing.clear();
        for (Eigen::Index l = 0; l < p; ++l)
            (specimen.row(l).hasNaN() ? missing : kept).push_back(l);
        const auto k = static_cast<Eigen::Index>(kept.size());
        if (k < d + 2) {
            throw Error(specimen_name(names, i) + " has " + std::to_string(k) + " of " +
                        std::to_string(p) + " landmarks present; estimating the others needs " +
                        std::to_string(d + 2));
        }
        Eigen::MatrixXd right = Eigen::MatrixXd::Zero(k + d + 1, d);
        right.topRows(k) = specimen(kept, Eigen::all);
        if (!spans_all_dimensions(right.topRows(k))) {
            throw Error(specimen_name(names, i) + ": its present landmarks lie on " +
                        (d == 2 ? "a line" : "a plane") +
                        ", so the missing ones cannot be estimated from them");
        }
        for (Eigen::Index a = 0; a <= d; ++a)
            kept.push_back(p + a);
        const Eigen::MatrixXd across = inverse(missing, kept) * right;
        const Eigen::MatrixXd solution =
            inverse(kept, kept) * right -
            inverse(kept, missing) * inverse(missing, missing).partialPivLu().solve(across);
        const Eigen::MatrixXd found = system(missing, kept) * solution;
        for (std::size_t m = 0; m < missing.size(); ++m) {
            coordinates.row(i).segment(d * missing[m], d) = found.row(static_cast<Eigen::Index>(m));
            estimated.push_back({i, missing[m]});
        }
    }
    return estimated;
}

}  // namespace kelmar
