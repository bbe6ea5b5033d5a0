#include "landmarks/layouts.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

Eigen::MatrixXd two_specimens() {
    Eigen::MatrixXd x(2, 7);
    x << 1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 14, 15, 16, 17;
    return x;
}

TEST(Layouts, DatasetToStackAndBack) {
    const Stack s = stack_from_dataset(two_specimens());
    Eigen::MatrixXd page2(2, 3);
    page2 << 11, 12, 13, 14, 15, 16;
    EXPECT_EQ(Eigen::MatrixXd(s.page(1)), page2);

    Eigen::Vector2d sizes(7, 17);
    EXPECT_EQ(dataset_from_stack(s, sizes), two_specimens());
    EXPECT_EQ(dataset_from_stack(s, sizes.transpose()), two_specimens());  // a row serves too
    EXPECT_THROW(dataset_from_stack(s, Eigen::Vector3d(1, 2, 3)), Error);
    EXPECT_EQ(dataset_row(page2, 9),
              (Eigen::RowVectorXd(7) << 11, 12, 13, 14, 15, 16, 9).finished());
}

TEST(Layouts, OddShapes) {
    // 8 columns copy floor(8/3) = 2 landmarks.
    Eigen::MatrixXd eight = Eigen::MatrixXd::Zero(1, 8);
    eight << 1, 2, 3, 4, 5, 6, 7, 8;
    const Stack s = stack_from_dataset(eight);
    EXPECT_EQ(s.landmarks(), 2);
    EXPECT_EQ(s.page(0)(1, 2), 6);
    // No rows or too few columns give an empty stack of the right shape.
    EXPECT_EQ(stack_from_dataset(Eigen::MatrixXd(0, 7)).landmarks(), 2);
}

TEST(Layouts, RandomDatasetsRoundTrip) {
    std::mt19937 gen(3);
    for (int trial = 0; trial < 5; ++trial) {
        const Eigen::MatrixXd x = testing::random_matrix(4 + trial, 3 * (trial + 2) + 1, gen);
        EXPECT_EQ(dataset_from_stack(stack_from_dataset(x), x.col(x.cols() - 1)), x)
            << "trial " << trial;
    }
}

}  // namespace
}  // namespace kelmar
