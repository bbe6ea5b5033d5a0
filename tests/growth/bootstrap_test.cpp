#include "growth/anglerbr.hpp"
#include "growth/growvecn.hpp"
#include "growth/shapegrow.hpp"
#include "growth/sortsize.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kelmar {
namespace {

using testing::growth_sample;
using testing::matrices_near;

// The bootstrap by its definition, written out plainly: both resampled sets built in full in
// every replicate and their growth vectors taken by the regression routines.
Eigen::RowVectorXd direct_bootstrap(const Eigen::MatrixXd& input, Eigen::Index nboots,
                                    Eigen::Index n2, bool log_size, RandomStream& stream) {
    const Eigen::MatrixXd x = sortsize(input);
    const Eigen::Index n = x.rows();
    const Eigen::Index c = x.cols();
    const Eigen::MatrixXd gnxe = log_size ? growveceq(x) : shapegrow(x);
    Eigen::MatrixXd xbase(n, c), xresid(n, c);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double s = log_size ? std::log(x(i, c - 1)) : x(i, c - 1);
        for (Eigen::Index j = 0; j < c - 1; ++j) {
            xbase(i, j) = s * gnxe(j, 0) + gnxe(j, 1);
            xresid(i, j) = x(i, j) - xbase(i, j);
        }
        xbase(i, c - 1) = x(i, c - 1);
        xresid(i, c - 1) = 0;
    }
    auto k = [&] { return stream.next_index(n) - 1; };
    auto vector_of = [&](const Eigen::MatrixXd& set) -> Eigen::VectorXd {
        if (log_size)
            return growvecn(set).transpose();
        return shapegrown(set).col(0);
    };
    Eigen::RowVectorXd y(nboots);
    for (Eigen::Index r = 0; r < nboots; ++r) {
        Eigen::MatrixXd xset1(n, c), xset2(n2, c);
        for (Eigen::Index j = 0; j < n; ++j)
            xset1.row(j) = xbase.row(j) + xresid.row(k());
        for (Eigen::Index q = 0; q < n2; ++q) {
            if (log_size) {
                const Eigen::Index k1 = k();
                xset2.row(q) = xbase.row(k1) + xresid.row(k());
            } else {
                xset2.row(q) = xbase.row(q) + xresid.row(k());
            }
        }
        y(r) = std::acos(vector_of(xset1).dot(vector_of(xset2))) * 180.0 / 3.141592653589793;
    }
    std::sort(y.data(), y.data() + nboots);
    return y;
}

BootstrapAngles run(bool log_size, const Eigen::MatrixXd& x, Eigen::Index nboots, Eigen::Index n2,
                    RandomStream& stream, int threads = 1) {
    return log_size ? anglerbr(x, nboots, 10, static_cast<double>(x.rows()), n2, stream, threads)
                    : sanglerbr(x, nboots, 10, static_cast<double>(x.rows()), n2, stream, threads);
}

TEST(Bootstrap, FastRoutineEqualsTheDirectAlgorithm) {
    struct Case {
        Eigen::Index n, d, n2;
    };
    // Fewer specimens than coordinates (the residuals are projected) and more.
    for (const Case& shape : {Case{25, 30, 18}, Case{40, 15, 40}, Case{12, 60, 8}}) {
        for (bool log_size : {true, false}) {
            SCOPED_TRACE("n " + std::to_string(shape.n) + ", d " + std::to_string(shape.d) +
                         (log_size ? ", LCS" : ", CS"));
            std::mt19937 gen(static_cast<unsigned>(shape.n * 100 + shape.d));
            const Eigen::MatrixXd x = growth_sample(shape.n, shape.d, 0.3, gen);
            RandomStream fast_stream(77), direct_stream(77);
            const BootstrapAngles fast = run(log_size, x, 300, shape.n2, fast_stream);
            const Eigen::RowVectorXd direct =
                direct_bootstrap(x, 300, shape.n2, log_size, direct_stream);
            EXPECT_EQ(fast.degenerate, 0);
            EXPECT_TRUE(matrices_near(fast.angles, direct, 1e-10));
            EXPECT_EQ(fast_stream.next_u32(), direct_stream.next_u32());  // same draws consumed
        }
    }
}

TEST(Bootstrap, DrawsPerReplicateAndThreadCountDoNotChangeResults) {
    std::mt19937 gen(5);
    const Eigen::MatrixXd x = growth_sample(30, 24, 0.2, gen);
    for (bool log_size : {true, false}) {
        const Eigen::Index n2 = 20;
        RandomStream one(9), two(9), three(9), expected(9);
        const BootstrapAngles a = run(log_size, x, 1000, n2, one, 1);
        const BootstrapAngles b = run(log_size, x, 1000, n2, two, 2);
        const BootstrapAngles c = run(log_size, x, 1000, n2, three, 3);
        EXPECT_EQ(a.angles, b.angles);
        EXPECT_EQ(a.angles, c.angles);
        // n + 2·n2 draws per replicate for anglerbr, n + n2 for sanglerbr.
        const Eigen::Index per_replicate = 30 + (log_size ? 2 : 1) * n2;
        for (Eigen::Index i = 0; i < 1000 * per_replicate; ++i)
            expected.next_uniform();
        const std::uint32_t next = expected.next_u32();
        EXPECT_EQ(one.next_u32(), next);
        EXPECT_EQ(two.next_u32(), next);
        EXPECT_EQ(three.next_u32(), next);
    }
}

TEST(Bootstrap, ShapeOrderAndIgnoredInputs) {
    std::mt19937 gen(6);
    const Eigen::MatrixXd x = growth_sample(20, 12, 0.5, gen);
    for (bool log_size : {true, false}) {
        RandomStream stream(1);
        const BootstrapAngles y = run(log_size, x, 100, 15, stream);
        ASSERT_EQ(y.angles.size(), 100);
        EXPECT_TRUE(std::is_sorted(y.angles.data(), y.angles.data() + 100));
        EXPECT_GE(y.angles.minCoeff(), 0.0);
        EXPECT_LE(y.angles.maxCoeff(), 180.0);
        RandomStream single(1);
        EXPECT_EQ(run(log_size, x, 1, 15, single).angles.size(), 1);

        // The third and fourth inputs change nothing; neither does the row order.
        RandomStream s1(3), s2(3), s3(3);
        const auto plain =
            log_size ? anglerbr(x, 50, 10, 20, 15, s1) : sanglerbr(x, 50, 10, 20, 15, s1);
        const auto odd =
            log_size ? anglerbr(x, 50, -3.5, 999, 15, s2) : sanglerbr(x, 50, -3.5, 999, 15, s2);
        EXPECT_EQ(plain.angles, odd.angles);
        Eigen::MatrixXd reversed = x.colwise().reverse();
        EXPECT_EQ(run(log_size, reversed, 50, 15, s3).angles, plain.angles);
    }
}

TEST(Bootstrap, ExactLinesGiveZeroAngles) {
    std::mt19937 gen(7);
    const Eigen::MatrixXd x = growth_sample(15, 9, 0.0, gen);
    RandomStream stream;
    EXPECT_LT(run(true, x, 200, 15, stream).angles.maxCoeff(), 1e-4);
    // On centroid size the exact lines must be linear in size itself.
    Eigen::MatrixXd linear = x;
    linear.leftCols(9) = x.col(9) * Eigen::RowVectorXd::LinSpaced(9, -1, 1);
    EXPECT_LT(run(false, linear, 200, 15, stream).angles.maxCoeff(), 1e-4);
}

TEST(Bootstrap, ReplicatesWithoutVaryingSizesAreCountedAndSortedLast) {
    std::mt19937 gen(8);
    Eigen::MatrixXd x = growth_sample(6, 6, 0.3, gen);
    x.col(6) << 50, 50, 50, 50, 50, 80;  // a second set of two rows often draws equal sizes
    RandomStream stream(4);
    const BootstrapAngles y = anglerbr(x, 400, 10, 6, 2, stream);
    EXPECT_GT(y.degenerate, 0);
    EXPECT_LT(y.degenerate, 400);
    const Eigen::Index numbers = 400 - y.degenerate;
    EXPECT_TRUE(y.angles.head(numbers).allFinite());
    EXPECT_TRUE(y.angles.tail(y.degenerate).array().isNaN().all());
    EXPECT_TRUE(std::is_sorted(y.angles.data(), y.angles.data() + numbers));

    // sanglerbr's second set is built on the n2 smallest specimens: all of size 50 here.
    const BootstrapAngles z = sanglerbr(x, 50, 10, 6, 3, stream);
    EXPECT_EQ(z.degenerate, 50);
}

TEST(Bootstrap, BadArgumentsAreErrors) {
    std::mt19937 gen(9);
    Eigen::MatrixXd x = growth_sample(10, 6, 0.3, gen);
    RandomStream stream;
    EXPECT_THROW(anglerbr(x, 0, 10, 10, 10, stream), Error);
    EXPECT_THROW(sanglerbr(x, 100, 10, 10, 0, stream), Error);
    EXPECT_THROW(sanglerbr(x, 100, 10, 10, 11, stream), Error);
    x(3, 6) = 0;
    try {
        anglerbr(x, 100, 10, 10, 10, stream);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "specimen 4 has size 0, but log centroid size needs sizes greater than 0");
    }
    x.col(6).setConstant(5.0);
    EXPECT_THROW(sanglerbr(x, 100, 10, 10, 10, stream), Error);
}

}  // namespace
}  // namespace kelmar
