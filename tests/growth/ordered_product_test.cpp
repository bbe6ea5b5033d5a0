#include "growth/ordered_product.hpp"

#include "support/eigen_testing.hpp"
#include "support/kernel_sets.hpp"

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

// The baseline rounds each multiply-add twice where AVX2 rounds it once: the two agree to a few
// units in the last place of the terms' magnitude, for every width (packets and leftover
// columns alike), and each keeps its rows independent of their neighbours.
TEST(OrderedProduct, KernelSetsAgreeToTheLastBitsOfTheTerms) {
    std::mt19937 gen(5);
    for (const Eigen::Index d : {1, 2, 3, 5, 8, 12, 13, 121}) {
        const RowMajorMatrix e = testing::random_matrix(61, d, gen);
        const RowMajorMatrix a = testing::random_matrix(9, 61, gen);
        const auto both = testing::on_both_kernel_sets([&] {
            RowMajorMatrix out;
            ordered_product(a, 9, e, out);
            return out;
        });
        if (!both.ran)
            GTEST_SKIP() << "the processor has no AVX2";
        // Relative to the sum of the terms' magnitudes, which bounds the rounding of each chain.
        const RowMajorMatrix scale = a.cwiseAbs() * e.cwiseAbs();
        const double worst =
            ((both.avx2 - both.baseline).cwiseAbs().array() / scale.array()).maxCoeff();
        EXPECT_LE(worst, 61 * 2.3e-16) << "d = " << d;
    }
}

}  // namespace
}  // namespace kelmar
