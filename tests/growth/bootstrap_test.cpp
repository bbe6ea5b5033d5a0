#include "growth/anglerbr.hpp"
#include "growth/growvecn.hpp"
#include "growth/shapegrow.hpp"
#include "growth/sortsize.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/scratch.hpp"

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

TEST(Bootstrap, ThreadsIgnoredInputsAndRowOrderChangeNothing) {
    std::mt19937 gen(5);
    const Eigen::MatrixXd x = growth_sample(30, 24, 0.2, gen);
    const Eigen::MatrixXd reversed = x.colwise().reverse();
    for (bool log_size : {true, false}) {
        RandomStream one(9), two(9), three(9);
        const BootstrapAngles a = run(log_size, x, 1000, 20, one, 1);
        EXPECT_EQ(run(log_size, x, 1000, 20, two, 2).angles, a.angles);
        EXPECT_EQ(run(log_size, reversed, 1000, 20, three, 3).angles, a.angles);
        EXPECT_EQ(one.next_u32(), two.next_u32());
        RandomStream odd(9);
        const auto b = log_size ? anglerbr(x, 1000, -3.5, 999, 20, odd, 1)
                                : sanglerbr(x, 1000, -3.5, 999, 20, odd, 1);
        EXPECT_EQ(b.angles, a.angles);
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
    const Eigen::Index numbers = 400 - y.degenerate;
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
    EXPECT_THROW(sanglerbr(x, 100, 10, 10, 11, stream), Error);
    x(3, 6) = 0;
    EXPECT_EQ(testing::error_of([&] { anglerbr(x, 100, 10, 10, 10, stream); }),
              "specimen 4 has size 0, but log centroid size needs sizes greater than 0");
    x.col(6).setConstant(5.0);
    EXPECT_THROW(sanglerbr(x, 100, 10, 10, 10, stream), Error);
}

}  // namespace
}  // namespace kelmar
