#include "growth/bootstrap_angles.hpp"
#include "growth/growth_vectors.hpp"
#include "growth/size_lines.hpp"
#include "growth/sorted_by_size.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/kernel_sets.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <vector>

namespace kelmar {
namespace {

using testing::growth_sample;
using testing::matrices_near;

// The bootstrap by its definition, written out plainly: both resampled sets built in full in
// every replicate and their growth vectors taken by the regression routines.
Eigen::RowVectorXd direct_bootstrap(const Eigen::MatrixXd& input, Eigen::Index nboots,
                                    Eigen::Index n2, bool log_size, RandomStream& stream) {
    const Eigen::MatrixXd x = sorted_by_size(input);
    const Eigen::Index n = x.rows();
    const Eigen::Index c = x.cols();
    const Eigen::MatrixXd gnxe = log_size ? log_size_lines(x) : size_lines(x);
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
            return log_size_growth_row(set).transpose();
        return scaled_size_lines(set).col(0);
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
    return bootstrap_angles(x, testing::size_variable(log_size), nboots, n2, stream, threads);
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

// The processor's kernels change the angles by rounding alone: the baseline and AVX2 agree to
// 1e-12 relative, on log size and size, with more specimens than coordinates and fewer.
TEST(Bootstrap, KernelSetsAgreeTo1e12) {
    std::mt19937 gen(21);
    for (const Eigen::Index d : {15, 60}) {
        const Eigen::MatrixXd x = growth_sample(30, d, 0.3, gen);
        for (bool log_size : {true, false}) {
            const auto both = testing::on_both_kernel_sets([&] {
                RandomStream stream(8);
                return Eigen::RowVectorXd(run(log_size, x, 2000, 30, stream, 2).angles);
            });
            if (!both.ran)
                GTEST_SKIP() << "the processor has no AVX2";
            const double worst =
                ((both.avx2 - both.baseline).cwiseAbs().array() / both.baseline.array().abs())
                    .maxCoeff();
            EXPECT_LE(worst, 1e-12) << "d " << d << (log_size ? ", LCS" : ", CS");
            std::printf("largest relative difference between the kernel sets: %.2e\n", worst);
        }
    }
}

TEST(Bootstrap, ThreadsAndRowOrderChangeNothing) {
    std::mt19937 gen(5);
    const Eigen::MatrixXd x = growth_sample(30, 24, 0.2, gen);
    const Eigen::MatrixXd reversed = x.colwise().reverse();
    for (bool log_size : {true, false}) {
        // Enough chunks of replicates that every thread computes many of them, interleaved with
        // the others: buffers shared between threads would garble some.
        RandomStream one(9);
        const BootstrapAngles a = run(log_size, x, 6400, 20, one, 1);
        const std::uint32_t next = one.next_u32();
        for (int threads : {2, 3, 4}) {
            RandomStream more(9);
            EXPECT_EQ(run(log_size, x, 6400, 20, more, threads).angles, a.angles) << threads;
            EXPECT_EQ(more.next_u32(), next);
        }
        RandomStream three(9);
        EXPECT_EQ(run(log_size, reversed, 6400, 20, three, 3).angles, a.angles);
    }
}

// The bootstrap of one sample written out in long double: every resampled set built and
// regressed on its own centred sizes, from the same draws.
std::vector<long double> long_double_bootstrap(const Eigen::MatrixXd& input, Eigen::Index nboots,
                                               Eigen::Index n2, bool log_size,
                                               RandomStream& stream) {
    using L = long double;
    using Rows = std::vector<std::vector<L>>;
    const Eigen::MatrixXd x = sorted_by_size(input);
    const std::size_t n = static_cast<std::size_t>(x.rows());
    const std::size_t d = static_cast<std::size_t>(x.cols() - 1);
    std::vector<L> s(n);
    Rows rows(n, std::vector<L>(d));
    for (std::size_t i = 0; i < n; ++i) {
        const double size = x(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(d));
        s[i] = log_size ? std::log(size) : size;
        for (std::size_t j = 0; j < d; ++j)
            rows[i][j] = x(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j));
    }
    // Slopes and intercepts of `set` on `t`; no slopes when t does not vary.
    const auto line = [d](const Rows& set, const std::vector<L>& t, std::vector<L>& b,
                          std::vector<L>& a) {
        const L count = static_cast<L>(t.size());
        L t_mean = 0, sst = 0;
        for (L v : t)
            t_mean += v / count;
        for (L v : t)
            sst += (v - t_mean) * (v - t_mean);
        b.assign(d, 0);
        a.assign(d, 0);
        for (std::size_t j = 0; j < d; ++j) {
            L mean = 0;
            for (const auto& r : set)
                mean += r[j] / count;
            for (std::size_t q = 0; q < t.size(); ++q)
                b[j] += (t[q] - t_mean) * (set[q][j] - mean);
            b[j] /= sst;
            a[j] = mean - b[j] * t_mean;
        }
        return sst > 0;
    };
    std::vector<L> b, a;
    line(rows, s, b, a);
    Rows base(n, std::vector<L>(d)), resid(n, std::vector<L>(d));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < d; ++j) {
            base[i][j] = s[i] * b[j] + a[j];
            resid[i][j] = rows[i][j] - base[i][j];
        }
    auto k = [&] {
        return static_cast<std::size_t>(stream.next_index(static_cast<Eigen::Index>(n)) - 1);
    };
    std::vector<L> angles;
    for (Eigen::Index r = 0; r < nboots; ++r) {
        Rows set1(n, std::vector<L>(d)), set2;
        std::vector<L> t2;
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t kj = k();
            for (std::size_t c = 0; c < d; ++c)
                set1[j][c] = base[j][c] + resid[kj][c];
        }
        for (std::size_t q = 0; q < static_cast<std::size_t>(n2); ++q) {
            const std::size_t k1 = log_size ? k() : q;
            const std::size_t k2 = k();
            std::vector<L> row(d);
            for (std::size_t c = 0; c < d; ++c)
                row[c] = base[k1][c] + resid[k2][c];
            set2.push_back(row);
            t2.push_back(s[k1]);
        }
        std::vector<L> b1, b2, unused;
        line(set1, s, b1, unused);
        if (!line(set2, t2, b2, unused)) {
            angles.push_back(std::numeric_limits<L>::quiet_NaN());
            continue;
        }
        L dot = 0, n1 = 0, nn2 = 0;
        for (std::size_t c = 0; c < d; ++c) {
            dot += b1[c] * b2[c];
            n1 += b1[c] * b1[c];
            nn2 += b2[c] * b2[c];
        }
        const L cosine = std::clamp(dot / std::sqrt(n1 * nn2), L(-1), L(1));
        angles.push_back(std::acos(cosine) * 180 / 3.14159265358979323846264338327950288L);
    }
    std::sort(angles.begin(), angles.end());
    return angles;
}

TEST(Bootstrap, SizesThatBarelyVaryStayAccurate) {
    // Sizes 1000·(1 + 1e-10·u): the slope weights are huge and must still sum to zero.
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const Eigen::Index n = 30, d = 9;
    const Eigen::MatrixXd start = testing::random_matrix(1, d, gen, 10.0);
    const Eigen::MatrixXd direction = testing::random_matrix(1, d, gen);
    Eigen::MatrixXd x(n, d + 1);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double u = uniform(gen);
        x.row(i).head(d) = start + u * direction + testing::random_matrix(1, d, gen, 0.2);
        x(i, d) = 1000.0 * (1.0 + 1e-10 * u);
    }
    for (bool log_size : {true, false}) {
        RandomStream fast_stream(3), direct_stream(3);
        const BootstrapAngles fast = run(log_size, x, 200, 20, fast_stream);
        const std::vector<long double> direct =
            long_double_bootstrap(x, 200, 20, log_size, direct_stream);
        ASSERT_EQ(fast.degenerate, 0);
        double worst = 0;
        for (std::size_t r = 0; r < direct.size(); ++r)
            worst = std::max(worst, std::fabs(fast.angles(static_cast<Eigen::Index>(r)) -
                                              static_cast<double>(direct[r])));
        EXPECT_LT(worst, 1e-6) << (log_size ? "LCS" : "CS");
    }
}

TEST(Bootstrap, ExtremeMagnitudesGiveTheOrdinaryAngles) {
    std::mt19937 gen(12);
    const Eigen::MatrixXd x = growth_sample(20, 12, 0.3, gen);
    for (const int exponent : {1000, -1000}) {
        Eigen::MatrixXd far = x;
        far.leftCols(12) *= std::ldexp(1.0, exponent);
        for (bool log_size : {true, false}) {
            if (!log_size)
                far.col(12) = x.col(12) * std::ldexp(1.0, exponent);
            RandomStream a(5), b(5);
            EXPECT_EQ(run(log_size, far, 100, 20, a).angles, run(log_size, x, 100, 20, b).angles);
        }
    }
}

TEST(Bootstrap, AnExactLineWithWholeSizesGivesAnglesOfExactlyZero) {
    // Coordinates exactly proportional to whole-number sizes centred on a whole mean: every
    // residual is 0, every resampled set has exactly the sample's slopes (1, 1, 1, 0, ...), and
    // the cosine of each angle rounds to just above 1, which must read as 0 degrees.
    Eigen::MatrixXd x(31, 7);
    for (Eigen::Index i = 0; i < 31; ++i) {
        const double size = 10.0 + static_cast<double>(i);
        x.row(i) << size, size, size, 0, 0, 0, size;
    }
    RandomStream stream(6);
    const BootstrapAngles y = run(false, x, 200, 25, stream);
    EXPECT_EQ(y.degenerate, 0);
    EXPECT_EQ(y.angles, Eigen::RowVectorXd::Zero(200));
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
    const BootstrapAngles y = bootstrap_angles(x, SizeVariable::log_centroid_size, 400, 2, stream);
    EXPECT_GT(y.degenerate, 0);
    const Eigen::Index numbers = 400 - y.degenerate;
    EXPECT_TRUE(y.angles.tail(y.degenerate).array().isNaN().all());
    EXPECT_TRUE(std::is_sorted(y.angles.data(), y.angles.data() + numbers));

    // On centroid size the second set is built on the n2 smallest specimens: all of
    // size 50 here.
    const BootstrapAngles z = bootstrap_angles(x, SizeVariable::centroid_size, 50, 3, stream);
    EXPECT_EQ(z.degenerate, 50);
}

TEST(Bootstrap, BadArgumentsAreErrors) {
    std::mt19937 gen(9);
    Eigen::MatrixXd x = growth_sample(10, 6, 0.3, gen);
    RandomStream stream;
    EXPECT_THROW(bootstrap_angles(x, SizeVariable::log_centroid_size, 0, 10, stream), Error);
    EXPECT_THROW(bootstrap_angles(x, SizeVariable::centroid_size, 100, 11, stream), Error);
    x(3, 6) = 0;
    EXPECT_EQ(testing::error_of(
                  [&] { bootstrap_angles(x, SizeVariable::log_centroid_size, 100, 10, stream); }),
              "specimen 4 has size 0, but log centroid size needs sizes greater than 0");
    x.col(6).setConstant(5.0);
    EXPECT_THROW(bootstrap_angles(x, SizeVariable::centroid_size, 100, 10, stream), Error);
}

}  // namespace
}  // namespace kelmar
