#include "growth/slope_comparison.hpp"

#include "growth/growth_vectors.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"
#include "support/kernel_sets.hpp"

#include <gtest/gtest.h>
#include <Eigen/QR>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <numeric>
#include <vector>

namespace kelmar {
namespace {

using testing::draw_permutation;
using testing::growth_sample;
using testing::pointers;

// The statistics by their definitions, written out plainly: every model fitted by least squares
// on the stacked data, every permuted dataset built in full.
class Direct {
  public:
    Direct(const std::vector<Eigen::MatrixXd>& samples, bool log_size) {
        const Eigen::Index d = samples[0].cols() - 1;
        for (const Eigen::MatrixXd& x : samples) {
            first_.push_back(n_);
            n_ += x.rows();
        }
        k_ = static_cast<Eigen::Index>(samples.size());
        y_.resize(n_, d);
        s_.resize(n_);
        for (Eigen::Index g = 0; g < k_; ++g) {
            const Eigen::MatrixXd& x = samples[static_cast<std::size_t>(g)];
            y_.middleRows(first_[g], x.rows()) = x.leftCols(d);
            s_.segment(first_[g], x.rows()) =
                log_size ? Eigen::VectorXd(x.col(d).array().log()) : Eigen::VectorXd(x.col(d));
            group_.insert(group_.end(), static_cast<std::size_t>(x.rows()), g);
        }
        const Eigen::MatrixXd common = fitted(y_, design(all_rows(), false));
        f0_ = common;
        e0_ = y_ - common;
    }

    // Row r of the permuted data takes residual idx[r]; identity and λ = 1 for the observed.
    Eigen::RowVectorXd values(const std::vector<Eigen::Index>& idx, bool inflated) const {
        std::vector<double> out;
        Eigen::MatrixXd permuted(n_, y_.cols());
        for (Eigen::Index r = 0; r < n_; ++r)
            permuted.row(r) = f0_.row(r) + e0_.row(idx[static_cast<std::size_t>(r)]);
        const std::vector<Eigen::Index> rows = all_rows();
        const double own = squared(permuted - fitted(permuted, design(rows, true)));
        const double common = squared(permuted - fitted(permuted, design(rows, false)));
        out.push_back(((common - own) / static_cast<double>(k_ - 1)) /
                      (own / static_cast<double>(n_ - 2 * k_)));
        for (Eigen::Index g = 0; g < k_; ++g) {
            for (Eigen::Index h = g + 1; h < k_; ++h) {
                const auto [angle, dl, dist] = pair(g, h, idx, inflated);
                out.insert(out.end(), {angle, dl, dist});
            }
        }
        return Eigen::Map<Eigen::RowVectorXd>(out.data(), static_cast<Eigen::Index>(out.size()));
    }

    Eigen::Index specimens() const { return n_; }

  private:
    std::vector<Eigen::Index> all_rows() const {
        std::vector<Eigen::Index> rows(static_cast<std::size_t>(n_));
        std::iota(rows.begin(), rows.end(), Eigen::Index{0});
        return rows;
    }

    // Own means, and own slopes or one common slope, for `rows`.
    Eigen::MatrixXd design(const std::vector<Eigen::Index>& rows, bool own_slopes) const {
        const Eigen::Index m = static_cast<Eigen::Index>(rows.size());
        Eigen::MatrixXd x = Eigen::MatrixXd::Zero(m, own_slopes ? 2 * k_ : k_ + 1);
        for (Eigen::Index t = 0; t < m; ++t) {
            const Eigen::Index i = rows[static_cast<std::size_t>(t)];
            const Eigen::Index g = group_[static_cast<std::size_t>(i)];
            x(t, g) = 1.0;
            x(t, own_slopes ? k_ + g : k_) = s_(i);
        }
        // Samples outside `rows` leave columns of zeros, which the solver drops.
        return x;
    }

    static Eigen::MatrixXd fitted(const Eigen::MatrixXd& y, const Eigen::MatrixXd& x) {
        return x * x.colPivHouseholderQr().solve(y);
    }

    static double squared(const Eigen::MatrixXd& m) { return m.squaredNorm(); }

    // Slope of `y` on `s` with an intercept, by least squares.
    static Eigen::RowVectorXd slope(const Eigen::MatrixXd& y, const Eigen::VectorXd& s) {
        Eigen::MatrixXd x(s.size(), 2);
        x.col(0).setOnes();
        x.col(1) = s;
        return x.colPivHouseholderQr().solve(y).row(1);
    }

    std::array<double, 3> pair(Eigen::Index g, Eigen::Index h, const std::vector<Eigen::Index>& idx,
                               bool inflated) const {
        std::vector<Eigen::Index> rows;
        for (Eigen::Index i = 0; i < n_; ++i) {
            const Eigen::Index gi = group_[static_cast<std::size_t>(i)];
            if (gi == g || gi == h)
                rows.push_back(i);
        }
        const auto n = static_cast<Eigen::Index>(rows.size());
        const Eigen::Index ng = (g + 1 < k_ ? first_[g + 1] : n_) - first_[g];
        Eigen::MatrixXd y(n, y_.cols());
        Eigen::VectorXd s(n);
        for (Eigen::Index t = 0; t < n; ++t) {
            y.row(t) = y_.row(rows[static_cast<std::size_t>(t)]);
            s(t) = s_(rows[static_cast<std::size_t>(t)]);
        }
        Eigen::MatrixXd x = design(rows, false);
        const Eigen::MatrixXd coefficients = x.colPivHouseholderQr().solve(y);
        const Eigen::RowVectorXd b0 = coefficients.row(k_);
        const Eigen::MatrixXd e0 = y - x * coefficients;
        // The pair's permutation: the residuals idx[r] that are the pair's, in the order of r.
        std::vector<Eigen::Index> pi;
        for (Eigen::Index r = 0; r < n_; ++r) {
            const auto found =
                std::find(rows.begin(), rows.end(), idx[static_cast<std::size_t>(r)]);
            if (found != rows.end())
                pi.push_back(found - rows.begin());
        }
        Eigen::MatrixXd permuted(n, y_.cols());
        for (Eigen::Index t = 0; t < n; ++t)
            permuted.row(t) = e0.row(pi[static_cast<std::size_t>(t)]);
        const Eigen::RowVectorXd dg = slope(permuted.topRows(ng), s.head(ng));
        const Eigen::RowVectorXd dh = slope(permuted.bottomRows(n - ng), s.tail(n - ng));
        const double sg = (s.head(ng).array() - s.head(ng).mean()).square().sum();
        const double sh = (s.tail(n - ng).array() - s.tail(n - ng).mean()).square().sum();
        const Eigen::RowVectorXd gamma = (sg * dg + sh * dh) / (sg + sh);
        const double lambda =
            inflated ? std::sqrt(static_cast<double>(n - 1) / static_cast<double>(n - 3)) : 1.0;
        const Eigen::RowVectorXd bg = b0 + lambda * (dg - gamma);
        const Eigen::RowVectorXd bh = b0 + lambda * (dh - gamma);
        const double angle = 2.0 *
                             std::atan2((bg.normalized() - bh.normalized()).norm(),
                                        (bg.normalized() + bh.normalized()).norm()) *
                             180.0 / std::numbers::pi;
        return {angle, std::fabs(bg.norm() - bh.norm()), (bg - bh).norm()};
    }

    Eigen::Index n_ = 0, k_ = 0;
    std::vector<Eigen::Index> first_, group_;
    Eigen::MatrixXd y_, f0_, e0_;
    Eigen::VectorXd s_;
};

// K + 1 rows of every statistic, the observed first, by the definitions.
Eigen::MatrixXd direct_values(const std::vector<Eigen::MatrixXd>& samples, Eigen::Index k,
                              bool log_size, RandomStream& stream) {
    const Direct direct(samples, log_size);
    std::vector<Eigen::Index> identity(static_cast<std::size_t>(direct.specimens()));
    std::iota(identity.begin(), identity.end(), Eigen::Index{0});
    const Eigen::RowVectorXd observed = direct.values(identity, false);
    Eigen::MatrixXd values(k + 1, observed.size());
    values.row(0) = observed;
    for (Eigen::Index r = 1; r <= k; ++r)
        values.row(r) = direct.values(draw_permutation(direct.specimens(), stream), true);
    return values;
}

SlopeComparison compare(const std::vector<Eigen::MatrixXd>& samples, Eigen::Index k, bool log_size,
                        RandomStream& stream, int threads = 1) {
    return compare_growth_slopes(pointers(samples), k, testing::size_variable(log_size), stream,
                                 threads);
}

// Every value of every statistic, the stream's position after the test, and the summaries,
// for two to four samples, on log size and on size, with more specimens than coordinates and
// fewer (the reduced frame).
TEST(SlopeComparison, EveryValueAndSummaryFollowsTheDefinitions) {
    std::mt19937 gen(3);
    struct Case {
        std::vector<Eigen::Index> sizes;
        Eigen::Index d;
        bool log_size;
    };
    for (const Case& c : {Case{{7, 9}, 9, true}, Case{{8, 6}, 30, false}, Case{{6, 5, 7}, 12, true},
                          Case{{5, 6, 4, 7}, 9, false}}) {
        SCOPED_TRACE(::testing::Message() << c.sizes.size() << " samples, d = " << c.d);
        std::vector<Eigen::MatrixXd> samples;
        for (Eigen::Index n : c.sizes)
            samples.push_back(growth_sample(n, c.d, 0.4, gen));
        const Eigen::Index k = 120;
        RandomStream direct_stream(17);
        const Eigen::MatrixXd expected = direct_values(samples, k, c.log_size, direct_stream);
        RandomStream stream(17);
        const SlopeComparison r = compare(samples, k, c.log_size, stream, 2);
        ASSERT_EQ(r.values.rows(), expected.rows());
        ASSERT_EQ(r.values.cols(), expected.cols());
        for (Eigen::Index j = 0; j < expected.cols(); ++j) {
            const double scale = 1.0 + expected.col(j).cwiseAbs().maxCoeff();
            EXPECT_TRUE(testing::matrices_near(r.values.col(j), expected.col(j), 1e-9 * scale))
                << "statistic " << j;
        }
        EXPECT_EQ(stream.next_uniform(), direct_stream.next_uniform());

        // The summaries of the values.
        const auto check = [&](const PermutedStatistic& t, Eigen::Index column) {
            std::vector<double> v(r.values.col(column).data(), r.values.col(column).data() + k + 1);
            const double observed = v[0];
            EXPECT_EQ(t.observed, observed);
            EXPECT_DOUBLE_EQ(t.p_value,
                             static_cast<double>(std::count_if(
                                 v.begin(), v.end(), [&](double x) { return x >= observed; })) /
                                 (k + 1));
            std::sort(v.begin(), v.end());
            EXPECT_EQ(t.ucl95, v[115 - 1]);  // ceil(0.95 · 121) = 115
            const Eigen::VectorXd col = r.values.col(column);
            const double sd = std::sqrt((col.array() - col.mean()).square().sum() / k);
            EXPECT_NEAR(t.z, (observed - col.mean()) / sd, 1e-9);
        };
        check(r.f_test, 0);
        EXPECT_EQ(r.f, r.values(0, 0));
        std::size_t i = 0;
        for (std::size_t g = 0; g < samples.size(); ++g) {
            for (std::size_t h = g + 1; h < samples.size(); ++h, ++i) {
                const PairwiseSlopes& p = r.pairs[i];
                EXPECT_EQ(p.a, static_cast<int>(g + 1));
                EXPECT_EQ(p.b, static_cast<int>(h + 1));
                // The angle shown is the angle between the unit growth vectors.
                EXPECT_EQ(
                    p.angle,
                    growth_angle(growth_vector(samples[g], testing::size_variable(c.log_size)),
                                 growth_vector(samples[h], testing::size_variable(c.log_size))));
                EXPECT_NEAR(p.angle, p.angle_test.observed, 1e-9);
                EXPECT_EQ(p.length_difference, p.length_test.observed);
                EXPECT_EQ(p.distance, p.distance_test.observed);
                check(p.angle_test, pair_statistic_column(i, 0));
                check(p.length_test, pair_statistic_column(i, 1));
                check(p.distance_test, pair_statistic_column(i, 2));
            }
        }
    }
}

// In the smallest samples many permutations give the observed data again; each must count.
TEST(SlopeComparison, SmallSamplesCountEveryValueAtLeastTheObserved) {
    std::mt19937 gen(21);
    for (const auto& [n1, n2] : {std::pair{3, 3}, std::pair{2, 3}}) {
        SCOPED_TRACE(::testing::Message() << n1 << " + " << n2 << " specimens");
        const std::vector<Eigen::MatrixXd> samples = {growth_sample(n1, 6, 0.5, gen),
                                                      growth_sample(n2, 6, 0.5, gen)};
        const Eigen::Index k = 9999;
        RandomStream direct_stream(5);
        const Eigen::MatrixXd expected = direct_values(samples, k, true, direct_stream);
        RandomStream stream(5);
        const SlopeComparison r = compare(samples, k, true, stream);
        const auto count = [&](Eigen::Index column) {
            const double observed = expected(0, column);
            const double slack = 1e-9 * (1.0 + std::fabs(observed));
            return static_cast<double>((expected.col(column).array() >= observed - slack).count()) /
                   (k + 1);
        };
        EXPECT_EQ(r.f_test.p_value, count(0));
        EXPECT_EQ(r.pairs[0].angle_test.p_value, count(1));
        EXPECT_EQ(r.pairs[0].length_test.p_value, count(2));
        EXPECT_EQ(r.pairs[0].distance_test.p_value, count(3));
    }
}

// Each pair is judged on its own rows: among fifty samples, a pair's observed statistics are
// those of the two samples compared alone.
TEST(SlopeComparison, FiftySamplesEachPairOnItsOwnModel) {
    std::mt19937 gen(9);
    std::vector<Eigen::MatrixXd> samples;
    for (int g = 0; g < 50; ++g)
        samples.push_back(growth_sample(3 + g % 3, 6, 0.5, gen));
    RandomStream stream(2);
    const SlopeComparison all = compare(samples, 19, false, stream, 2);
    ASSERT_EQ(all.pairs.size(), 1225u);
    EXPECT_EQ(all.values.rows(), 20);
    EXPECT_EQ(all.pairs.back().a, 49);
    EXPECT_EQ(all.pairs.back().b, 50);
    std::size_t i = 0;
    for (int g = 0; g < 50; ++g) {
        for (int h = g + 1; h < 50; ++h, ++i) {
            if ((g * 7 + h) % 97 != 0)
                continue;
            RandomStream unused;
            const SlopeComparison two = compare(
                {samples[static_cast<std::size_t>(g)], samples[static_cast<std::size_t>(h)]}, 0,
                false, unused);
            const PairwiseSlopes& p = all.pairs[i];
            EXPECT_EQ(p.angle, two.pairs[0].angle);
            EXPECT_NEAR(p.length_difference, two.pairs[0].length_difference,
                        1e-12 * (1.0 + p.length_difference));
            EXPECT_NEAR(p.distance, two.pairs[0].distance, 1e-12 * (1.0 + p.distance));
            EXPECT_NEAR(p.angle_test.observed, two.values(0, 1), 1e-9);
        }
    }
}

TEST(SlopeComparison, ValuesDoNotDependOnTheThreadCount) {
    std::mt19937 gen(5);
    const std::vector<Eigen::MatrixXd> samples = {growth_sample(20, 15, 0.5, gen),
                                                  growth_sample(25, 15, 0.5, gen),
                                                  growth_sample(12, 15, 0.5, gen)};
    Eigen::MatrixXd first;
    for (int threads : {1, 2, 3, 4}) {
        RandomStream stream(99);
        const SlopeComparison r = compare(samples, 1000, true, stream, threads);
        if (threads == 1)
            first = r.values;
        else
            EXPECT_TRUE(r.values == first) << threads << " threads";
    }
}

// The processor's kernels change the statistics by rounding alone: baseline and AVX2 agree to
// 1e-12 relative to each statistic's scale (its largest value over the permutations: a length
// difference near 0 has no relative digits of its own), and every P value is the same.
TEST(SlopeComparison, KernelSetsAgreeTo1e12) {
    std::mt19937 gen(6);
    const std::vector<Eigen::MatrixXd> samples = {growth_sample(20, 15, 0.5, gen),
                                                  growth_sample(25, 15, 0.5, gen),
                                                  growth_sample(12, 15, 0.5, gen)};
    const auto both = testing::on_both_kernel_sets([&] {
        RandomStream stream(99);
        return compare(samples, 500, true, stream, 2);
    });
    if (!both.ran)
        GTEST_SKIP() << "the processor has no AVX2";
    const Eigen::MatrixXd& base = both.baseline.values;
    const Eigen::RowVectorXd scale = base.cwiseAbs().colwise().maxCoeff();
    const double worst =
        ((both.avx2.values - base).cwiseAbs().array().rowwise() / scale.array()).maxCoeff();
    EXPECT_LE(worst, 1e-12);
    std::printf("largest difference between the kernel sets: %.2e of the statistic's scale\n",
                worst);
    EXPECT_EQ(both.avx2.f_test.p_value, both.baseline.f_test.p_value);
    for (std::size_t q = 0; q < both.baseline.pairs.size(); ++q) {
        const PairwiseSlopes &fast = both.avx2.pairs[q], &plain = both.baseline.pairs[q];
        EXPECT_EQ(fast.angle_test.p_value, plain.angle_test.p_value) << q;
        EXPECT_EQ(fast.length_test.p_value, plain.length_test.p_value) << q;
        EXPECT_EQ(fast.distance_test.p_value, plain.distance_test.p_value) << q;
    }
}

TEST(SlopeComparison, RefusesWhatHasNoAnswer) {
    std::mt19937 gen(1);
    const Eigen::MatrixXd x1 = growth_sample(10, 9, 0.3, gen);
    const Eigen::MatrixXd x2 = growth_sample(10, 9, 0.3, gen);
    RandomStream stream;
    const auto message = [&](std::vector<Eigen::MatrixXd> samples, Eigen::Index k) {
        try {
            compare(samples, k, true, stream);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message({x1, x2}, -1).find("at least 1"), std::string::npos);
    EXPECT_NE(message({x1}, 10).find("at least 2 samples"), std::string::npos);
    EXPECT_NE(message({x1, growth_sample(10, 12, 0.3, gen)}, 10).find("different landmark counts"),
              std::string::npos);
    EXPECT_NE(message({x1, x2, x1.topRows(1)}, 10).find("sample 3 has 1 specimen"),
              std::string::npos);
    EXPECT_NE(message({x1.topRows(2), x2.topRows(2)}, 10).find("needs more than 4"),
              std::string::npos);
    Eigen::MatrixXd flat = x2;
    flat.col(9).setConstant(50.0);
    EXPECT_NE(message({x1, flat}, 10).find("sizes of sample 2 do not vary"), std::string::npos);
    // Without permutations: the observed statistics and no draws.
    RandomStream untouched(3);
    const SlopeComparison observed = compare({x1, x2}, 0, false, untouched);
    EXPECT_EQ(untouched.next_uniform(), RandomStream(3).next_uniform());
    EXPECT_EQ(observed.pairs.size(), 1u);
    EXPECT_GT(observed.pairs[0].distance, 0.0);
    EXPECT_TRUE(std::isnan(observed.pairs[0].angle_test.p_value));
}

}  // namespace
}  // namespace kelmar
