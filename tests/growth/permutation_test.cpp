#include "growth/permutation_test.hpp"

#include "growth/growvecn.hpp"
#include "platform/numeric/error.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace kelmar {
namespace {

using testing::growth_sample;
using testing::matrices_near;

// The test by its definition, written out plainly: the null model's fitted rows and residuals,
// every permuted dataset built in full, and each group's slopes taken from it.
Eigen::VectorXd direct_values(const Eigen::MatrixXd& x1, const Eigen::MatrixXd& x2,
                              Eigen::Index permutations, bool log_size, RandomStream& stream) {
    const Eigen::Index n1 = x1.rows();
    const Eigen::Index n = n1 + x2.rows();
    const Eigen::Index d = x1.cols() - 1;
    Eigen::MatrixXd y(n, d);
    y << x1.leftCols(d), x2.leftCols(d);
    Eigen::VectorXd s(n);
    s << x1.col(d), x2.col(d);
    if (log_size)
        s = s.array().log();
    const auto group_of = [&](Eigen::Index i) { return i < n1 ? 0 : 1; };
    Eigen::VectorXd st(n);
    Eigen::MatrixXd y_mean(n, d);
    for (int g = 0; g < 2; ++g) {
        const Eigen::Index first = g == 0 ? 0 : n1;
        const Eigen::Index count = g == 0 ? n1 : n - n1;
        const double s_mean = s.segment(first, count).mean();
        const Eigen::RowVectorXd m = y.middleRows(first, count).colwise().mean();
        for (Eigen::Index i = first; i < first + count; ++i) {
            st(i) = s(i) - s_mean;
            y_mean.row(i) = m;
        }
    }
    const Eigen::RowVectorXd b0 = (st.transpose() * (y - y_mean)) / st.squaredNorm();
    const Eigen::MatrixXd f0 = y_mean + st * b0;
    const Eigen::MatrixXd e0 = y - f0;
    const auto angle_of = [&](const Eigen::MatrixXd& ys) {
        Eigen::VectorXd b[2] = {Eigen::VectorXd::Zero(d), Eigen::VectorXd::Zero(d)};
        double sss[2] = {0.0, 0.0};
        for (Eigen::Index i = 0; i < n; ++i) {
            b[group_of(i)] += st(i) * ys.row(i).transpose();
            sss[group_of(i)] += st(i) * st(i);
        }
        const double cosine = (b[0] / sss[0]).normalized().dot((b[1] / sss[1]).normalized());
        return 57.29577951308232 * std::acos(std::clamp(cosine, -1.0, 1.0));
    };
    Eigen::VectorXd values(permutations + 1);
    values(0) = angle_of(y);
    std::vector<Eigen::Index> idx(static_cast<std::size_t>(n));
    for (Eigen::Index k = 1; k <= permutations; ++k) {
        std::iota(idx.begin(), idx.end(), Eigen::Index{0});
        for (Eigen::Index i = n; i >= 2; --i) {
            const auto j = static_cast<Eigen::Index>(std::floor(stream.next_uniform() * i));
            std::swap(idx[static_cast<std::size_t>(i - 1)], idx[static_cast<std::size_t>(j)]);
        }
        Eigen::MatrixXd ys(n, d);
        for (Eigen::Index r = 0; r < n; ++r)
            ys.row(r) = f0.row(r) + e0.row(idx[static_cast<std::size_t>(r)]);
        values(k) = angle_of(ys);
    }
    return values;
}

TEST(PermutationTest, EveryValueAndSummaryFollowTheDefinition) {
    std::mt19937 gen(3);
    struct Case {
        Eigen::Index n1, n2, d;
        bool log_size;
    };
    // Coordinates outnumbering the specimens take the reduced frame; the others the direct rows.
    for (const Case c : {Case{7, 9, 9, true}, Case{8, 6, 12, false}, Case{5, 4, 30, true},
                         Case{12, 11, 6, false}}) {
        SCOPED_TRACE(::testing::Message() << c.n1 << " + " << c.n2 << " specimens, d = " << c.d);
        const Eigen::MatrixXd x1 = growth_sample(c.n1, c.d, 0.4, gen);
        const Eigen::MatrixXd x2 = growth_sample(c.n2, c.d, 0.4, gen);
        const Eigen::Index k = 150;
        RandomStream direct_stream(17);
        const Eigen::VectorXd expected = direct_values(x1, x2, k, c.log_size, direct_stream);
        RandomStream stream(17);
        const PermutationResult r = permutation_test(
            x1, x2, k, c.log_size ? BootstrapKind::LogSize : BootstrapKind::CentroidSize, stream,
            2);
        EXPECT_TRUE(matrices_near(r.values, expected, 1e-9));
        // The stream moved on by exactly the draws of the definition.
        EXPECT_EQ(stream.next_uniform(), direct_stream.next_uniform());
        EXPECT_EQ(r.angle,
                  growth_angle(growth_vector(x1, c.log_size), growth_vector(x2, c.log_size)));
        EXPECT_EQ(r.values(0), r.angle);

        std::vector<double> sorted(expected.data(), expected.data() + k + 1);
        std::sort(sorted.begin(), sorted.end());
        const Eigen::Index at_least =
            std::count_if(sorted.begin(), sorted.end(), [&](double v) { return v >= expected(0); });
        EXPECT_DOUBLE_EQ(r.p_value, static_cast<double>(at_least) / (k + 1));
        EXPECT_NEAR(r.ucl95, sorted[std::size_t{144 - 1}], 1e-9);  // ceil(0.95 · 151) = 144
        const double mean = expected.mean();
        const double sd = std::sqrt((expected.array() - mean).square().sum() / k);
        EXPECT_NEAR(r.z, (expected(0) - mean) / sd, 1e-9);
    }
}

// Two samples growing along unrelated directions, and two halves of one sample.
TEST(PermutationTest, SeparatesDifferentGrowthFromOnePopulation) {
    std::mt19937 gen(8);
    const Eigen::MatrixXd a = growth_sample(30, 24, 0.3, gen);
    const Eigen::MatrixXd b = growth_sample(30, 24, 0.3, gen);
    RandomStream stream;
    const PermutationResult different =
        permutation_test(a, b, 999, BootstrapKind::LogSize, stream, 1);
    EXPECT_EQ(different.p_value, 1.0 / 1000);
    EXPECT_GT(different.angle, different.ucl95);
    EXPECT_GT(different.z, 3.0);

    const Eigen::MatrixXd one = growth_sample(60, 24, 0.3, gen);
    const PermutationResult same = permutation_test(one.topRows(30), one.bottomRows(30), 999,
                                                    BootstrapKind::CentroidSize, stream, 1);
    EXPECT_GT(same.p_value, 0.05);
    EXPECT_LT(same.angle, same.ucl95);
}

TEST(PermutationTest, ValuesDoNotDependOnTheThreadCount) {
    std::mt19937 gen(5);
    const Eigen::MatrixXd x1 = growth_sample(20, 15, 0.5, gen);
    const Eigen::MatrixXd x2 = growth_sample(25, 15, 0.5, gen);
    Eigen::VectorXd first;
    for (int threads : {1, 2, 3, 4}) {
        RandomStream stream(99);
        const PermutationResult r =
            permutation_test(x1, x2, 1000, BootstrapKind::LogSize, stream, threads);
        if (threads == 1)
            first = r.values;
        else
            EXPECT_TRUE(r.values == first) << threads << " threads";
    }
}

TEST(PermutationTest, RefusesWhatHasNoAnswer) {
    std::mt19937 gen(1);
    const Eigen::MatrixXd x1 = growth_sample(10, 9, 0.3, gen);
    const Eigen::MatrixXd x2 = growth_sample(10, 9, 0.3, gen);
    RandomStream stream;
    const auto message = [&](const Eigen::MatrixXd& a, const Eigen::MatrixXd& b, Eigen::Index k) {
        try {
            permutation_test(a, b, k, BootstrapKind::LogSize, stream, 1);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message(x1, x2, 0).find("at least 1, given 0"), std::string::npos);
    EXPECT_NE(message(x1, growth_sample(10, 12, 0.3, gen), 10).find("different landmark counts"),
              std::string::npos);
    Eigen::MatrixXd flat = x2;
    flat.col(9).setConstant(50.0);
    EXPECT_NE(message(x1, flat, 10).find("does not vary"), std::string::npos);
}

}  // namespace
}  // namespace kelmar
