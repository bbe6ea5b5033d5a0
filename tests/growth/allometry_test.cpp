#include "growth/allometry.hpp"
#include "growth/growth_vectors.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kelmar {
namespace {

using testing::growth_sample;

// Scores by the definition, one specimen and one coordinate at a time.
TEST(Allometry, ScoresAreTheCentredCoordinatesOnTheCommonSlope) {
    std::mt19937 gen(11);
    const Eigen::MatrixXd a = growth_sample(15, 12, 0.3, gen);
    const Eigen::MatrixXd b = growth_sample(9, 12, 0.3, gen);
    const Eigen::MatrixXd* samples[] = {&a, &b};
    const AllometryScores common = allometry_scores(samples, SizeVariable::log_centroid_size, true);

    // The pooled common slope: within-sample cross products over within-sample squares.
    Eigen::VectorXd cross = Eigen::VectorXd::Zero(12);
    double squares = 0;
    for (const Eigen::MatrixXd* x : samples) {
        const Eigen::VectorXd s = x->col(12).array().log();
        for (Eigen::Index i = 0; i < x->rows(); ++i) {
            const double ds = s(i) - s.mean();
            squares += ds * ds;
            for (Eigen::Index j = 0; j < 12; ++j)
                cross(j) += ds * ((*x)(i, j) - x->col(j).mean());
        }
    }
    const Eigen::VectorXd u = cross.normalized();
    // One origin for both samples: the mean of all their specimens.
    Eigen::MatrixXd pooled(a.rows() + b.rows(), 13);
    pooled << a, b;
    for (std::size_t g = 0; g < 2; ++g) {
        const Eigen::MatrixXd& x = *samples[g];
        const AllometryScores::Sample& s = common.samples[g];
        EXPECT_TRUE(testing::matrices_near(s.direction, u, 1e-12));
        EXPECT_NEAR(s.mean_score, s.scores.mean(), 1e-12);
        for (Eigen::Index i = 0; i < x.rows(); ++i) {
            // A sum of terms that cancel: its rounding is measured against the terms' size.
            double score = 0, magnitude = 0;
            for (Eigen::Index j = 0; j < 12; ++j) {
                score += (x(i, j) - pooled.col(j).mean()) * u(j);
                magnitude += std::fabs((x(i, j) - pooled.col(j).mean()) * u(j));
            }
            EXPECT_NEAR(s.scores(i), score, 1e-13 * magnitude) << g << ", " << i;
            EXPECT_EQ(s.sizes(i), std::log(x(i, 12)));
        }
    }
    // On separate references each sample is measured on its own growth vector.
    const AllometryScores own = allometry_scores(samples, SizeVariable::centroid_size, false);
    EXPECT_TRUE(testing::matrices_near(own.samples[1].direction,
                                       growth_vector(b, SizeVariable::centroid_size), 1e-15));
    EXPECT_FALSE(own.common_direction);
    EXPECT_NEAR(own.samples[1].scores.mean(), 0.0, 1e-12);
}

// Two samples on one growth line, one of them shifted in shape by δ along the growth direction:
// their lines lie δ apart at every size, whatever their size ranges.
TEST(Allometry, AShapeOffsetAtEqualSizeShowsWithItsSize) {
    std::mt19937 gen(17);
    const Eigen::RowVectorXd start = testing::random_matrix(1, 9, gen, 10.0);
    const Eigen::RowVectorXd b = testing::random_matrix(1, 9, gen);
    const double delta = 0.25;
    Eigen::MatrixXd young(6, 10), old(8, 10);
    for (Eigen::Index i = 0; i < 6; ++i) {
        young(i, 9) = 20.0 + 3.0 * static_cast<double>(i);
        young.row(i).head(9) = start + std::log(young(i, 9)) * b;
    }
    for (Eigen::Index i = 0; i < 8; ++i) {
        old(i, 9) = 50.0 + 7.0 * static_cast<double>(i);
        old.row(i).head(9) = start + std::log(old(i, 9)) * b + delta * b.normalized();
    }
    const Eigen::MatrixXd* samples[] = {&young, &old};
    const AllometryScores scores = allometry_scores(samples, SizeVariable::log_centroid_size, true);
    const auto height = [&](std::size_t g, double size) {
        const AllometryScores::Sample& s = scores.samples[g];
        return s.mean_score + s.slope * (size - s.mean_size);
    };
    for (const double size : {3.0, 3.5, 4.0})
        EXPECT_NEAR(height(1, size) - height(0, size), delta, 1e-10) << size;
}

// Specimens exactly on a growth line score exactly on a line of slope ‖b‖ through the mean size,
// and the growth over the size range is b times that range.
TEST(Allometry, SpecimensOnTheirGrowthLineAndTheirShapeChange) {
    std::mt19937 gen(5);
    const Eigen::RowVectorXd start = testing::random_matrix(1, 9, gen, 10.0);
    const Eigen::RowVectorXd b = testing::random_matrix(1, 9, gen);
    Eigen::MatrixXd x(7, 10);
    for (Eigen::Index i = 0; i < 7; ++i) {
        x(i, 9) = 30.0 + 5.0 * static_cast<double>(i * i);
        x.row(i).head(9) = start + x(i, 9) * b;
    }
    const Eigen::MatrixXd* samples[] = {&x};
    const AllometryScores scores = allometry_scores(samples, SizeVariable::centroid_size, true);
    const AllometryScores::Sample& s = scores.samples[0];
    EXPECT_NEAR(s.slope, b.norm(), 1e-12);
    for (Eigen::Index i = 0; i < 7; ++i)
        EXPECT_NEAR(s.scores(i), (x(i, 9) - s.mean_size) * b.norm(), 1e-10);

    const GrowthChange change = growth_change(samples, SizeVariable::centroid_size);
    const double range = x.col(9).maxCoeff() - x.col(9).minCoeff();
    EXPECT_EQ(change.size_range[0], range);
    EXPECT_TRUE(
        testing::matrices_near(change.change[0], (b * range).reshaped(3, 3).transpose(), 1e-10));
    EXPECT_TRUE(testing::matrices_near(
        change.reference, x.leftCols(9).colwise().mean().reshaped(3, 3).transpose(), 1e-12));

    // With two samples of different counts the reference is the mean of every specimen.
    const Eigen::MatrixXd y = x.topRows(3) * 1.5;
    const Eigen::MatrixXd* both[] = {&x, &y};
    Eigen::MatrixXd all(10, 10);
    all << x, y;
    const GrowthChange two = growth_change(both, SizeVariable::centroid_size);
    EXPECT_TRUE(testing::matrices_near(
        two.reference, all.leftCols(9).colwise().mean().reshaped(3, 3).transpose(), 1e-12));
    EXPECT_TRUE(testing::matrices_near(two.change[0], change.change[0], 1e-12));
}

}  // namespace
}  // namespace kelmar
