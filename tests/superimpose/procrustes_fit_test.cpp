#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "superimpose/centroid_size.hpp"
#include "superimpose/optimal_rotation.hpp"
#include "superimpose/partial_procrustes_fit.hpp"
#include "support/eigen_testing.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>
#include <Eigen/SVD>

#include <sstream>

namespace kelmar {
namespace {

using testing::matrices_near;
using testing::random_orthogonal;
using testing::random_shape;

// Captures what the routines write on the console.
class ConsoleCapture {
  public:
    ConsoleCapture() { set_console(&out_); }
    ~ConsoleCapture() { set_console(nullptr); }
    std::string text() const { return out_.str(); }

  private:
    std::ostringstream out_;
};

TEST(CentroidSize, DistanceFromTheCentroid) {
    Eigen::MatrixXd x(2, 3);
    x << 0, 0, 0, 2, 0, 0;
    EXPECT_DOUBLE_EQ(centroid_size(x), std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(centroid_size(x.rowwise() + Eigen::RowVector3d(5, -3, 7)), std::sqrt(2.0));
    EXPECT_THROW(centroid_size(Eigen::MatrixXd(0, 3)), Error);
}

// Only proper rotations: a turned configuration is recovered, a mirror image is not, and what
// fits a mirror image best is still a rotation.
TEST(OptimalRotation, RecoversRotationsNeverReflects) {
    std::mt19937 gen(11);
    const Eigen::MatrixXd c = random_shape(8, gen);
    Eigen::MatrixXd m = c;
    m.col(0) *= -1.0;
    const Eigen::Matrix3d y = optimal_rotation(c, m);
    EXPECT_NEAR(y.determinant(), 1.0, 1e-12);
    EXPECT_TRUE(matrices_near(y.transpose() * y, Eigen::Matrix3d::Identity(), 1e-12));
    EXPECT_GT((m * y - c).norm(), 0.1 * c.norm());

    for (int trial = 0; trial < 20; ++trial) {
        const Eigen::Matrix3d q = random_orthogonal(gen, true);
        EXPECT_TRUE(matrices_near(optimal_rotation(c, c * q), q.transpose(), 1e-12));
        const Eigen::Matrix3d r = optimal_rotation(c, c * random_orthogonal(gen, false));
        EXPECT_NEAR(r.determinant(), 1.0, 1e-12) << "trial " << trial;
    }
}

TEST(OptimalRotation, MismatchedConfigurationsAreNamed) {
    EXPECT_EQ(testing::error_of([] {
                  optimal_rotation(Eigen::MatrixXd::Ones(7, 3), Eigen::MatrixXd::Ones(5, 3));
              }),
              "cannot fit a configuration of 5 landmarks onto a reference of 7 landmarks");
}

TEST(PartialProcrustes, RemovesPositionSizeAndOrientation) {
    std::mt19937 gen(5);
    for (int trial = 0; trial < 6; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const Eigen::MatrixXd r = random_shape(10, gen);
        const Eigen::Matrix3d q = random_orthogonal(gen, true);
        const Eigen::MatrixXd s = (5.0 * r * q).rowwise() + Eigen::RowVector3d(3, -2, 9);
        ConsoleCapture console;
        EXPECT_TRUE(matrices_near(partial_procrustes_fit(r, s), r, 1e-12));
        EXPECT_EQ(console.text(), "");  // nothing is reported for well-formed input

        // A chiral configuration and its mirror image are two shapes: left and right stay apart.
        const Eigen::MatrixXd mirrored = s * random_orthogonal(gen, false);
        EXPECT_GT((partial_procrustes_fit(r, mirrored) - r).norm(), 0.05);
    }
}

TEST(PartialProcrustes, DegenerateSubjectsAreErrors) {
    const Eigen::MatrixXd ref = Eigen::MatrixXd::Random(4, 3);
    Eigen::MatrixXd same = Eigen::MatrixXd::Zero(4, 3);
    same.rowwise() = Eigen::RowVector3d(1, 2, 3);
    EXPECT_THROW(partial_procrustes_fit(ref, same), Error);
    Eigen::MatrixXd bad = Eigen::MatrixXd::Random(4, 3);
    bad(2, 1) = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(partial_procrustes_fit(ref, bad), Error);
}

TEST(PartialProcrustes, RotationCheckReportsOnTheConsole) {
    ConsoleCapture console;
    EXPECT_TRUE(check_rotation(Eigen::Matrix3d::Identity()));
    EXPECT_EQ(console.text(), "");
    const Eigen::Matrix3d stretched = Eigen::Vector3d(1.01, 1, 1).asDiagonal();
    EXPECT_FALSE(check_rotation(stretched));
    const std::string text = console.text();
    EXPECT_EQ(text.find("stemp =\n\n    'Error in rotation'\n"), 0u);
    EXPECT_LT(text.find("roto ="), text.find("temp =", text.find("roto =")));
    EXPECT_NE(text.find("1.0201"), std::string::npos);  // temp(1, 1) = 1.01²
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

// A random proper 2 × 2 rotation.
Eigen::Matrix2d random_turn_2d(std::mt19937& gen) {
    const double a = std::uniform_real_distribution<double>(-3.14159, 3.14159)(gen);
    Eigen::Matrix2d q;
    q << std::cos(a), -std::sin(a), std::sin(a), std::cos(a);
    return q;
}

// In 2D the closed form is the best proper turn that the SVD finds, for configurations and for
// mirror images alike; a fit undoes a turn, a scale and a shift.
TEST(OptimalRotation, TwoDimensionalTurnIsTheBestProperOne) {
    std::mt19937 gen(17);
    for (int trial = 0; trial < 40; ++trial) {
        const Eigen::MatrixXd reference = testing::random_matrix(7, 2, gen);
        Eigen::MatrixXd subject = testing::random_matrix(7, 2, gen);
        if (trial % 2 == 1)
            subject.col(0) *= -1.0;
        const Eigen::Matrix2d m = subject.transpose() * reference;
        const Eigen::JacobiSVD<Eigen::Matrix2d> svd(m, Eigen::ComputeFullU | Eigen::ComputeFullV);
        Eigen::Matrix2d u = svd.matrixU();
        if ((u * svd.matrixV().transpose()).determinant() < 0.0)
            u.col(1) *= -1.0;
        const Eigen::Matrix2d y = optimal_rotation_2d(reference, subject);
        EXPECT_NEAR(y.determinant(), 1.0, 1e-14);
        EXPECT_TRUE(matrices_near(y, u * svd.matrixV().transpose(), 1e-10)) << "trial " << trial;
    }
    const Eigen::MatrixXd shape = testing::random_matrix(6, 2, gen);
    Eigen::MatrixXd unit = shape.rowwise() - shape.colwise().mean();
    unit /= unit.norm();
    const Eigen::MatrixXd moved =
        ((3.5 * shape * random_turn_2d(gen)).rowwise() + Eigen::RowVector2d(4.0, -2.0)).eval();
    EXPECT_TRUE(matrices_near(partial_procrustes_fit(unit, moved), unit, 1e-12));
    EXPECT_NE(testing::error_of([&] { optimal_rotation_2d(unit, unit.topRows(5)); }), "");
}

}  // namespace
}  // namespace kelmar
