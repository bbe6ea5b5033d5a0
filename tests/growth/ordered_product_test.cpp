#include "growth/ordered_product.hpp"

#include "support/eigen_testing.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

// The product is the matrix product, and a row's values do not depend on the rows beside it: the
// same coefficients give the same bits as the only row, in a block of four or after one.
TEST(OrderedProduct, EachRowDependsOnItsOwnCoefficientsOnly) {
    std::mt19937 gen(4);
    for (const Eigen::Index d : {1, 3, 4, 9, 12, 30, 121}) {
        SCOPED_TRACE(::testing::Message() << "d = " << d);
        const RowMajorMatrix e = testing::random_matrix(37, d, gen);
        const RowMajorMatrix a = testing::random_matrix(11, 37, gen);
        RowMajorMatrix out;
        ordered_product(a, 11, e, out);
        EXPECT_TRUE(testing::matrices_near(out, a * e, 1e-12));
        for (const Eigen::Index place : {0, 1, 5, 8, 10}) {
            RowMajorMatrix one = a.row(place);
            RowMajorMatrix alone;
            ordered_product(one, 1, e, alone);
            EXPECT_TRUE(alone.row(0) == out.row(place)) << "row " << place;
        }
    }
}

}  // namespace
}  // namespace kelmar
