// Missing landmarks estimated by the thin-plate spline, sample by sample: the sample's complete
// specimens are superimposed (GLS) and their mean shape M taken; for each incomplete specimen X
// with present landmarks P, M's landmarks P are fitted onto X's by translation, scaling and a
// proper rotation, and the thin-plate spline that carries the fitted M[P] exactly onto X[P]
// (kernel U(r) = r in 3D, r² log r in 2D, with its affine part) carries the fitted M's missing
// landmarks to their estimates in X's frame. The estimates follow the mean shape, so they add no
// variation of their own.
#pragma once

#include <Eigen/Core>

#include <string>
#include <vector>

namespace kelmar {

// The interpolating thin-plate spline of k ≥ d + 1 points `from` (k × d, d = 2 or 3) onto `to`:
// f(y) = a + y·A + Σ w_i U(‖y − from_i‖), with Σ w_i = 0 and Σ w_i from_i = 0.
class ThinPlateSpline {
  public:
    // Raises an Error when the points do not span the d dimensions (all on a line or a plane).
    ThinPlateSpline(const Eigen::Ref<const Eigen::MatrixXd>& from,
                    const Eigen::Ref<const Eigen::MatrixXd>& to);
    // The images of the rows of `points` (m × d).
    Eigen::MatrixXd operator()(const Eigen::Ref<const Eigen::MatrixXd>& points) const;
    // The kernel of d dimensions at distance r.
    static double kernel(double r, Eigen::Index d);

  private:
    Eigen::MatrixXd from_;
    Eigen::MatrixXd weights_;  // k × d
    Eigen::MatrixXd affine_;   // (d + 1) × d: the constant row, then A
};

// A landmark estimated: the specimen's row and the landmark's number, both from 0.
struct EstimatedLandmark {
    Eigen::Index specimen = 0;
    Eigen::Index landmark = 0;
    friend bool operator==(const EstimatedLandmark&, const EstimatedLandmark&) = default;
};

// Estimates in place every landmark of `coordinates` (N × dp: x y (z) of each landmark, one row a
// specimen) that has a NaN coordinate, and returns them in row order. `names` name the specimens
// in messages (empty: by number). Raises an Error naming the specimen when fewer than 2
// specimens are complete, or a specimen has fewer than d + 2 present landmarks or its present
// landmarks lie on a line (2D) or a plane (3D).
std::vector<EstimatedLandmark> estimate_missing_landmarks(Eigen::MatrixXd& coordinates, int d,
                                                          const std::vector<std::string>& names);

}  // namespace kelmar
