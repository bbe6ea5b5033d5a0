// The thin-plate spline against its linear system solved in the test, and the estimates of
// missing landmarks: exact for a specimen that is a similarity image of the mean shape, close on
// the bundled samples with landmarks removed at random, and refused where nothing can be known.
#include "superimpose/missing_landmarks.hpp"

#include "landmarks/landmark_file.hpp"
#include "platform/numeric/error.hpp"
#include "superimpose/gls_reference.hpp"
#include "superimpose/optimal_rotation.hpp"
#include "support/eigen_testing.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>
#include <Eigen/QR>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <numbers>
#include <numeric>

namespace kelmar {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A proper rotation of d dimensions.
Eigen::MatrixXd random_turn(int d, std::mt19937& gen) {
    if (d == 3)
        return testing::random_orthogonal(gen);
    const double a = std::uniform_real_distribution<double>(0.0, 2.0 * std::numbers::pi)(gen);
    Eigen::Matrix2d r;
    r << std::cos(a), std::sin(a), -std::sin(a), std::cos(a);
    return r;
}

// The row of coordinates x1 y1 (z1) x2 … of a p × d configuration.
Eigen::RowVectorXd row_of(const Eigen::MatrixXd& configuration) {
    return configuration.transpose().reshaped().transpose();
}

TEST(ThinPlateSpline, SolvesItsSystemAndPassesThroughItsPoints) {
    std::mt19937 gen(51);
    for (int d : {2, 3}) {
        SCOPED_TRACE(d);
        const Eigen::MatrixXd from = testing::random_matrix(9, d, gen);
        const Eigen::MatrixXd to = from + 0.2 * testing::random_matrix(9, d, gen);
        const ThinPlateSpline spline(from, to);
        EXPECT_TRUE(testing::matrices_near(spline(from), to, 1e-12));
        // The system written out: kernel block, ones and points, solved by QR here.
        const Eigen::Index k = 9, size = k + d + 1;
        Eigen::MatrixXd system = Eigen::MatrixXd::Zero(size, size);
        for (Eigen::Index i = 0; i < k; ++i) {
            for (Eigen::Index j = 0; j < k; ++j) {
                const double r = (from.row(i) - from.row(j)).norm();
                system(i, j) = d == 3 ? r : (r > 0 ? r * r * std::log(r) : 0.0);
            }
            system(i, k) = system(k, i) = 1.0;
            for (int c = 0; c < d; ++c)
                system(i, k + 1 + c) = system(k + 1 + c, i) = from(i, c);
        }
        Eigen::MatrixXd right = Eigen::MatrixXd::Zero(size, d);
        right.topRows(k) = to;
        const Eigen::MatrixXd solution = system.colPivHouseholderQr().solve(right);
        const Eigen::MatrixXd points = testing::random_matrix(5, d, gen);
        Eigen::MatrixXd expected(5, d);
        for (Eigen::Index m = 0; m < 5; ++m) {
            Eigen::RowVectorXd y = solution.row(k) + points.row(m) * solution.bottomRows(d);
            for (Eigen::Index i = 0; i < k; ++i)
                y += ThinPlateSpline::kernel((points.row(m) - from.row(i)).norm(), d) *
                     solution.row(i);
            expected.row(m) = y;
        }
        EXPECT_TRUE(testing::matrices_near(spline(points), expected, 1e-10));
        // An affine map is carried exactly, with no bending.
        const Eigen::MatrixXd a = testing::random_matrix(d, d, gen);
        const ThinPlateSpline affine(from, from * a);
        EXPECT_TRUE(testing::matrices_near(affine(points), points * a, 1e-11));
    }
}

// Specimens that are similarity images of one shape: the missing landmarks come back exactly.
TEST(MissingLandmarks, SimilarityImagesOfTheMeanComeBackExactly) {
    std::mt19937 gen(52);
    for (int d : {2, 3}) {
        SCOPED_TRACE(d);
        const Eigen::Index p = 8;
        const Eigen::MatrixXd shape = testing::random_matrix(p, d, gen);
        Eigen::MatrixXd coordinates(6, d * p);
        for (Eigen::Index i = 0; i < 6; ++i) {
            const Eigen::MatrixXd moved =
                (std::exp(0.3 * static_cast<double>(i)) * shape * random_turn(d, gen)).rowwise() +
                testing::random_matrix(1, d, gen).row(0);
            coordinates.row(i) = row_of(moved);
        }
        const Eigen::MatrixXd truth = coordinates;
        coordinates(3, 0) = kNaN;  // landmark 1 of specimen 4
        coordinates.row(3).segment(d * 5, d).setConstant(kNaN);
        coordinates(5, d * 7 + 1) = kNaN;
        const std::vector<EstimatedLandmark> estimated =
            estimate_missing_landmarks(coordinates, d, {});
        EXPECT_EQ(estimated, (std::vector<EstimatedLandmark>{{3, 0}, {3, 5}, {5, 7}}));
        EXPECT_TRUE(testing::matrices_near(coordinates, truth, 1e-10));
    }
}

// The estimate is the stated method: the complete specimens' GLS mean fitted onto each
// specimen's present landmarks by translation, scaling and a proper rotation, then the spline of
// the fitted mean's present landmarks onto the specimen's, at the fitted mean's missing ones.
TEST(MissingLandmarks, EstimatesFollowTheFittedMeansSpline) {
    std::mt19937 gen(55);
    for (int d : {2, 3}) {
        SCOPED_TRACE(d);
        const Eigen::Index p = 12, n = 8;
        const Eigen::MatrixXd shape = testing::random_matrix(p, d, gen);
        Eigen::MatrixXd coordinates(n, d * p);
        for (Eigen::Index i = 0; i < n; ++i)
            coordinates.row(i) = row_of((shape + 0.1 * testing::random_matrix(p, d, gen)) *
                                        (2.0 + static_cast<double>(i)) * random_turn(d, gen));
        Eigen::MatrixXd incomplete = coordinates;
        const std::vector<Eigen::Index> missing = {2, 7, 9};
        for (Eigen::Index l : missing)
            incomplete.row(6).segment(d * l, d).setConstant(kNaN);
        incomplete.row(7).segment(0, d).setConstant(kNaN);
        estimate_missing_landmarks(incomplete, d, {});

        Stack whole(p, 6, d);
        for (Eigen::Index i = 0; i < 6; ++i)
            whole.page(i) = coordinates.row(i).reshaped(d, p).transpose();
        const Eigen::MatrixXd mean = gls_reference(whole).reference;
        const Eigen::MatrixXd x = coordinates.row(6).reshaped(d, p).transpose();
        std::vector<Eigen::Index> present;
        for (Eigen::Index l = 0; l < p; ++l) {
            if (std::find(missing.begin(), missing.end(), l) == missing.end())
                present.push_back(l);
        }
        const Eigen::MatrixXd m_present = mean(present, Eigen::all);
        const Eigen::MatrixXd x_present = x(present, Eigen::all);
        const Eigen::RowVectorXd m_centre = m_present.colwise().mean();
        const Eigen::RowVectorXd x_centre = x_present.colwise().mean();
        const Eigen::MatrixXd mc = m_present.rowwise() - m_centre;
        const Eigen::MatrixXd xc = x_present.rowwise() - x_centre;
        const Eigen::MatrixXd turn = d == 2 ? Eigen::MatrixXd(optimal_rotation_2d(xc, mc))
                                            : Eigen::MatrixXd(optimal_rotation(xc, mc));
        const double scale = xc.cwiseProduct(mc * turn).sum() / (mc * turn).squaredNorm();
        const Eigen::MatrixXd fitted =
            (scale * ((mean.rowwise() - m_centre) * turn)).rowwise() + x_centre;
        const ThinPlateSpline spline(fitted(present, Eigen::all), x_present);
        const Eigen::MatrixXd expected = spline(fitted(missing, Eigen::all));
        for (std::size_t m = 0; m < missing.size(); ++m) {
            EXPECT_TRUE(testing::matrices_near(incomplete.row(6).segment(d * missing[m], d),
                                               expected.row(static_cast<Eigen::Index>(m)), 1e-9));
        }
        // Present landmarks stay as they were.
        for (Eigen::Index l : present) {
            EXPECT_EQ(incomplete.row(6).segment(d * l, d), coordinates.row(6).segment(d * l, d));
        }
    }
}

// The bundled 3D and 2D synthetic samples with one landmark removed from each of ten specimens at
// random: the estimates' distances from the true points, in units of the specimens' centroid size.
TEST(MissingLandmarks, EstimatesLieNearTheTruePointsOfTheBundledSamples) {
    std::mt19937 gen(53);
    struct Bundled {
        const char* file;
        int d;
    };
    for (const Bundled& b : {Bundled{"growth_sample_a.txt", 3}, Bundled{"flat_growth_a.tps", 2}}) {
        const LandmarkSample sample =
            read_landmark_sample(std::string(KELMAR_EXAMPLES_DIR) + "/" + b.file);
        ASSERT_EQ(sample.dimensions, b.d);
        const Eigen::Index n = sample.data.rows();
        const Eigen::Index columns = sample.data.cols() - 1;
        const Eigen::MatrixXd truth = sample.data.leftCols(columns);
        const Eigen::VectorXd sizes = sample.data.col(columns);
        const Eigen::Index p = columns / b.d;
        double total = 0.0, worst = 0.0;
        int count = 0;
        for (int round = 0; round < 20; ++round) {
            Eigen::MatrixXd coordinates = truth;
            std::vector<Eigen::Index> specimens(static_cast<std::size_t>(n));
            std::iota(specimens.begin(), specimens.end(), Eigen::Index{0});
            std::shuffle(specimens.begin(), specimens.end(), gen);
            specimens.resize(10);
            for (const Eigen::Index i : specimens) {
                const auto l = std::uniform_int_distribution<Eigen::Index>(0, p - 1)(gen);
                coordinates.row(i).segment(b.d * l, b.d).setConstant(kNaN);
            }
            for (const EstimatedLandmark& e : estimate_missing_landmarks(coordinates, b.d, {})) {
                const double error = (coordinates.row(e.specimen).segment(b.d * e.landmark, b.d) -
                                      truth.row(e.specimen).segment(b.d * e.landmark, b.d))
                                         .norm() /
                                     sizes(e.specimen);
                total += error;
                worst = std::max(worst, error);
                ++count;
            }
        }
        std::cout << b.file << ": " << count << " landmarks estimated, mean error " << total / count
                  << " and largest " << worst << " of centroid size\n";
        EXPECT_EQ(count, 200);
        EXPECT_LT(total / count, 0.05);
    }
}

TEST(MissingLandmarks, RefusesWhatCannotBeEstimated) {
    std::mt19937 gen(54);
    Eigen::MatrixXd coordinates = testing::random_matrix(4, 15, gen);  // 5 landmarks in 3D
    const Eigen::MatrixXd whole = coordinates;
    coordinates.row(0).segment(0, 3).setConstant(kNaN);
    coordinates.row(1).segment(3, 3).setConstant(kNaN);
    coordinates.row(2).segment(6, 3).setConstant(kNaN);
    EXPECT_NE(testing::error_of([&] {
                  estimate_missing_landmarks(coordinates, 3, {});
              }).find("at least 2 complete specimens, and 1 of 4"),
              std::string::npos);
    // Five landmarks with two missing leave three, fewer than d + 2 = 5.
    coordinates = whole;
    coordinates.row(0).head(6).setConstant(kNaN);
    EXPECT_NE(testing::error_of([&] {
                  estimate_missing_landmarks(coordinates, 3, {"a", "b"});
              }).find("specimen \"a\" has 3 of 5 landmarks present"),
              std::string::npos);
    // Present landmarks on one plane.
    Eigen::MatrixXd flat = testing::random_matrix(3, 18, gen);
    for (Eigen::Index l = 1; l < 6; ++l)
        flat(0, 3 * l + 2) = 0.0;
    flat.row(0).head(3).setConstant(kNaN);
    EXPECT_NE(testing::error_of([&] {
                  estimate_missing_landmarks(flat, 3, {});
              }).find("specimen 1: its present landmarks lie on a plane"),
              std::string::npos);
    // Nothing missing: nothing changes.
    Eigen::MatrixXd complete = whole;
    EXPECT_TRUE(estimate_missing_landmarks(complete, 3, {}).empty());
    EXPECT_EQ(complete, whole);
}

}  // namespace
}  // namespace kelmar
