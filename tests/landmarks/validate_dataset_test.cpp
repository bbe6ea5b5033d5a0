#include "landmarks/validate_dataset.hpp"
#include "platform/numeric/error.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace kelmar {
namespace {

std::string error_of(const Eigen::MatrixXd& table) {
    return testing::error_of([&] { validate_landmark_dataset(table, "s.txt"); });
}

TEST(ValidateDataset, AcceptsLandmarkTablesAndNamesEveryFault) {
    Eigen::MatrixXd good(2, 7);
    good << 0, 0, 0, 1, 1, 1, 1.7, 0, 0, 0, 2, 2, 2, 3.4;
    EXPECT_EQ(error_of(good), "");

    EXPECT_EQ(error_of(Eigen::MatrixXd(0, 7)), "\"s.txt\" holds no specimens");
    EXPECT_NE(error_of(Eigen::MatrixXd::Ones(2, 6)).find("\"s.txt\": its lines hold 6 numbers"),
              std::string::npos);

    Eigen::MatrixXd t = good;
    t(1, 4) = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(error_of(t),
              "\"s.txt\", line 2: value NaN (number 5 of the line) is not a finite number");
    t = good;
    t(1, 6) = 0;
    EXPECT_EQ(error_of(t),
              "\"s.txt\", line 2: size 0 (the last number of the line) must be greater than 0");
}

// The counts a line holds name both dimensions when they fit the other one.
TEST(ValidateDataset, CountsAreCheckedInTheTablesDimension) {
    const auto message = [](Eigen::Index columns, int d) {
        return testing::error_of(
            [&] { validate_landmark_dataset(Eigen::MatrixXd::Ones(2, columns), "s.txt", d); });
    };
    EXPECT_NE(message(9, 3).find("(3p + 1 numbers: 4, 7, 10, ...); as 2D landmarks"),
              std::string::npos);
    EXPECT_NE(message(10, 2).find("(2p + 1 numbers: 5, 7, 9, ...); as 3D landmarks"),
              std::string::npos);
    EXPECT_NE(message(6, 3).find("nor do they fit 2D landmarks"), std::string::npos);
    EXPECT_NE(message(6, 2).find("nor do they fit 3D landmarks"), std::string::npos);
    EXPECT_NE(message(3, 2).find("one landmark (x, y and the size)"), std::string::npos);
    Eigen::MatrixXd flat(1, 5);
    flat << 0, 0, 1, 1, 1.4142135623730951;
    EXPECT_EQ(testing::error_of([&] { validate_landmark_dataset(flat, "s.txt", 2); }), "");
}

}  // namespace
}  // namespace kelmar
