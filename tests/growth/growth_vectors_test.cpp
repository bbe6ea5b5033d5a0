#include "growth/growth_vectors.hpp"
#include "growth/least_squares.hpp"
#include "growth/size_lines.hpp"
#include "growth/sorted_by_size.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <functional>

namespace kelmar {
namespace {

using testing::growth_sample;
using testing::matrices_near;

TEST(GrowthVectors, UnitLengthAndTheLogSizeTwins) {
    std::mt19937 gen(1);
    const Eigen::MatrixXd x = growth_sample(20, 9, 0.1, gen);
    const Eigen::RowVectorXd g = log_size_growth_row(x);
    EXPECT_NEAR(g.squaredNorm(), 1.0, 1e-15);
    const Eigen::VectorXd g3 = growth_vector_on(x, x.col(9).array().log().matrix());
    EXPECT_TRUE(matrices_near(g3, g.transpose(), 1e-15));

    // A coordinate that shrinks with size has a negative component.
    Eigen::MatrixXd shrinking = x;
    shrinking.col(0) = -100.0 * x.col(9).array().log();
    EXPECT_LT(log_size_growth_row(shrinking)(0), 0.0);
}

TEST(GrowthVectors, TwoSpecimensGiveTheLineThroughThem) {
    Eigen::MatrixXd x(2, 4);
    x << 1, 5, -2, 10,  //
        3, 4, -2, 30;
    const Eigen::MatrixXd cs = size_lines(x);
    Eigen::MatrixXd expected(3, 2);
    expected << 0.1, 0, -0.05, 5.5, 0, -2;
    EXPECT_TRUE(matrices_near(cs, expected, 1e-14));

    const Eigen::MatrixXd lcs = log_size_lines(x);
    const double ds = std::log(30.0) - std::log(10.0);
    EXPECT_NEAR(lcs(0, 0), 2.0 / ds, 1e-14);
    EXPECT_NEAR(lcs(0, 1) + lcs(0, 0) * std::log(10.0), 1.0, 1e-13);
}

TEST(GrowthVectors, ScaleOfTheCoordinatesAndTheCentroidSizeTwins) {
    std::mt19937 gen(2);
    const Eigen::MatrixXd x = growth_sample(15, 6, 0.2, gen);
    Eigen::MatrixXd smaller = x;
    smaller.leftCols(6) /= 7.0;
    EXPECT_TRUE(matrices_near(log_size_growth_row(smaller), log_size_growth_row(x), 1e-15));
    EXPECT_TRUE(matrices_near(log_size_lines(smaller), log_size_lines(x) / 7.0, 1e-13));

    const Eigen::MatrixXd raw = size_lines(x);
    const Eigen::MatrixXd scaled = scaled_size_lines(x);
    EXPECT_TRUE(matrices_near(scaled, raw / raw.col(0).norm(), 1e-15));
    Eigen::MatrixXd logged = x;
    logged.col(6) = x.col(6).array().log();
    EXPECT_TRUE(matrices_near(size_lines(logged), log_size_lines(x), 1e-13));
}

TEST(GrowthVectors, RegressionsWithoutASlopeAreErrors) {
    Eigen::MatrixXd x(3, 4);
    x << 1, 2, 3, 10, 2, 3, 4, 10, 3, 4, 5, 10;
    EXPECT_THROW(log_size_growth_row(x), Error);  // sizes do not vary
    x.col(3) << 10, 20, 30;
    x.leftCols(3).setConstant(4.0);
    EXPECT_THROW(log_size_growth_row(x), Error);                      // every slope 0: no direction
    EXPECT_THROW(growth_vector_on(x, Eigen::Vector2d(1, 2)), Error);  // wrong length
    x.col(3) << 10, -20, 30;
    EXPECT_THROW(log_size_lines(x), Error);
    EXPECT_NO_THROW(size_lines(x));  // centroid size itself takes any values
}

TEST(GrowthVectors, ExtremeMagnitudesGiveTheOrdinaryResults) {
    std::mt19937 gen(3);
    const Eigen::MatrixXd x = growth_sample(12, 9, 0.2, gen);
    for (const int exponent : {1000, -1000}) {
        // Coordinates near 1e301 or 1e-301 and, on centroid size, sizes alike: powers of two,
        // so the growth vectors must come out bit for bit.
        Eigen::MatrixXd far = x;
        far.leftCols(9) *= std::ldexp(1.0, exponent);
        EXPECT_EQ(log_size_growth_row(far), log_size_growth_row(x)) << exponent;
        far.col(9) *= std::ldexp(1.0, exponent / 2);
        EXPECT_EQ(scaled_size_lines(far).col(0), scaled_size_lines(x).col(0)) << exponent;
    }
    // Coordinates just below the largest double on sizes that span a millionth: the slopes
    // themselves lie beyond it, and their direction must still be the ordinary one.
    Eigen::MatrixXd narrow = x;
    for (Eigen::Index i = 0; i < narrow.rows(); ++i)
        narrow(i, 9) = 1.0 + 1e-6 * static_cast<double>(i);
    const int room =
        std::ilogb(std::numeric_limits<double>::max() / narrow.leftCols(9).cwiseAbs().maxCoeff());
    Eigen::MatrixXd edge = narrow;
    edge.leftCols(9) *= std::ldexp(1.0, room);
    ASSERT_FALSE(least_squares_lines(edge.leftCols(9), edge.col(9).array().log().matrix())
                     .col(0)
                     .allFinite());  // the slopes overflow
    EXPECT_EQ(log_size_growth_row(edge), log_size_growth_row(narrow));
    EXPECT_EQ(scaled_size_lines(edge).col(0), scaled_size_lines(narrow).col(0));
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
    for (const auto& growth : {std::function<void()>([&] { log_size_growth_row(x); }),
                               std::function<void()>([&] { scaled_size_lines(x); })}) {
        EXPECT_NE(testing::error_of(growth).find("do not change with size beyond rounding"),
                  std::string::npos);
    }
    // A real change, however small against the coordinates, is growth.
    x.col(0) += 1e-6 * x.col(12);
    EXPECT_NO_THROW(log_size_growth_row(x));
}

TEST(SortedBySize, StableAscendingBySize) {
    Eigen::MatrixXd x(4, 2);
    x << 1, 3, 2, 1, 3, 2, 4, 1;
    Eigen::MatrixXd expected(4, 2);
    expected << 2, 1, 4, 1, 3, 2, 1, 3;
    EXPECT_EQ(sorted_by_size(x), expected);
    EXPECT_EQ(sorted_by_size(expected), expected);
}

}  // namespace
}  // namespace kelmar
