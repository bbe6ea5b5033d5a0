#include "growth/growvecn.hpp"
#include "growth/shapegrow.hpp"
#include "growth/sortsize.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace kelmar {
namespace {

using testing::growth_sample;
using testing::matrices_near;

TEST(GrowthVectors, UnitLengthAndTheLogSizeTwins) {
    std::mt19937 gen(1);
    const Eigen::MatrixXd x = growth_sample(20, 9, 0.1, gen);
    const Eigen::RowVectorXd g = growvecn(x);
    EXPECT_NEAR(g.squaredNorm(), 1.0, 1e-15);
    const Eigen::VectorXd g3 = growvector3(x, x.col(9).array().log().matrix());
    EXPECT_TRUE(matrices_near(g3, g.transpose(), 1e-15));

    // A coordinate that shrinks with size has a negative component.
    Eigen::MatrixXd shrinking = x;
    shrinking.col(0) = -100.0 * x.col(9).array().log();
    EXPECT_LT(growvecn(shrinking)(0), 0.0);
}

TEST(GrowthVectors, TwoSpecimensGiveTheLineThroughThem) {
    Eigen::MatrixXd x(2, 4);
    x << 1, 5, -2, 10,  //
        3, 4, -2, 30;
    const Eigen::MatrixXd cs = shapegrow(x);
    Eigen::MatrixXd expected(3, 2);
    expected << 0.1, 0, -0.05, 5.5, 0, -2;
    EXPECT_TRUE(matrices_near(cs, expected, 1e-14));

    const Eigen::MatrixXd lcs = growveceq(x);
    const double ds = std::log(30.0) - std::log(10.0);
    EXPECT_NEAR(lcs(0, 0), 2.0 / ds, 1e-14);
    EXPECT_NEAR(lcs(0, 1) + lcs(0, 0) * std::log(10.0), 1.0, 1e-13);
}

TEST(GrowthVectors, ScaleOfTheCoordinatesAndTheCentroidSizeTwins) {
    std::mt19937 gen(2);
    const Eigen::MatrixXd x = growth_sample(15, 6, 0.2, gen);
    Eigen::MatrixXd smaller = x;
    smaller.leftCols(6) /= 7.0;
    EXPECT_TRUE(matrices_near(growvecn(smaller), growvecn(x), 1e-15));
    EXPECT_TRUE(matrices_near(growveceq(smaller), growveceq(x) / 7.0, 1e-13));

    const Eigen::MatrixXd raw = shapegrow(x);
    const Eigen::MatrixXd scaled = shapegrown(x);
    EXPECT_TRUE(matrices_near(scaled, raw / raw.col(0).norm(), 1e-15));
    Eigen::MatrixXd logged = x;
    logged.col(6) = x.col(6).array().log();
    EXPECT_TRUE(matrices_near(shapegrow(logged), growveceq(x), 1e-13));
}

TEST(GrowthVectors, RegressionsWithoutASlopeAreErrors) {
    Eigen::MatrixXd x(3, 4);
    x << 1, 2, 3, 10, 2, 3, 4, 10, 3, 4, 5, 10;
    EXPECT_THROW(growvecn(x), Error);  // sizes do not vary
    x.col(3) << 10, 20, 30;
    x.leftCols(3).setConstant(4.0);
    EXPECT_THROW(growvecn(x), Error);                            // every slope 0: no direction
    EXPECT_THROW(growvector3(x, Eigen::Vector2d(1, 2)), Error);  // wrong length
    x.col(3) << 10, -20, 30;
    EXPECT_THROW(growveceq(x), Error);
    EXPECT_NO_THROW(shapegrow(x));  // centroid size itself takes any values
}

TEST(GrowthVectors, ExtremeMagnitudesGiveTheOrdinaryResults) {
    std::mt19937 gen(3);
    const Eigen::MatrixXd x = growth_sample(12, 9, 0.2, gen);
    for (const int exponent : {1000, -1000}) {
        // Coordinates near 1e301 or 1e-301 and, on centroid size, sizes alike: powers of two,
        // so the growth vectors must come out bit for bit.
        Eigen::MatrixXd far = x;
        far.leftCols(9) *= std::ldexp(1.0, exponent);
        EXPECT_EQ(growvecn(far), growvecn(x)) << exponent;
        far.col(9) *= std::ldexp(1.0, exponent / 2);
        EXPECT_EQ(shapegrown(far).col(0), shapegrown(x).col(0)) << exponent;
    }
}

TEST(GrowthVectors, ShapesThatChangeOnlyByRoundingHaveNoDirection) {
    // One shape at many sizes, its coordinates disturbed in the last bits only.
    std::mt19937 gen(4);
    const Eigen::MatrixXd shape = testing::random_matrix(1, 12, gen, 10.0);
    Eigen::MatrixXd x(20, 13);
    for (Eigen::Index i = 0; i < 20; ++i) {
        x.row(i).head(12) =
            shape.array() * (1.0 + 1e-15 * testing::random_matrix(1, 12, gen).array());
        x(i, 12) = 40.0 + 3.0 * static_cast<double>(i);
    }
    for (const auto& growth : {std::function<void()>([&] { growvecn(x); }),
                               std::function<void()>([&] { shapegrown(x); })}) {
        EXPECT_NE(testing::error_of(growth).find("do not change with size beyond rounding"),
                  std::string::npos);
    }
    // A real change, however small against the coordinates, is growth.
    x.col(0) += 1e-6 * x.col(12);
    EXPECT_NO_THROW(growvecn(x));
}

TEST(Sortsize, StableAscendingBySize) {
    Eigen::MatrixXd x(4, 2);
    x << 1, 3, 2, 1, 3, 2, 4, 1;
    Eigen::MatrixXd expected(4, 2);
    expected << 2, 1, 4, 1, 3, 2, 1, 3;
    EXPECT_EQ(sortsize(x), expected);
    EXPECT_EQ(sortsize(expected), expected);
}

}  // namespace
}  // namespace kelmar
