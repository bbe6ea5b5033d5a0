// The level and power of the permutation tests of slopes, by seeded simulation: true nulls must
// give P ≤ 0.05 in about 5 % of cases (at most 9 % here, in 400 cases), and a designed
// difference must be found. Every draw is seeded, so the shares are fixed numbers and the test
// cannot flake.
#include "growth/slope_comparison.hpp"

#include "landmarks/layouts.hpp"
#include "landmarks/table_file.hpp"
#include "superimpose/gls_reference.hpp"
#include "support/eigen_testing.hpp"
#include "support/growth_samples.hpp"

#include <gtest/gtest.h>

#include <iostream>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

namespace kelmar {
namespace {

constexpr Eigen::Index kPermutations = 99;
constexpr int kCases = 200;
constexpr int kNullCases = 400;  // true nulls: twice as many, for a sharper share

// Shares of P ≤ 0.05 among the tests run, per statistic: F, and the pairs' angle, length
// difference and distance (every pair of a case counts).
struct Rejections {
    std::array<int, 4> rejected{};
    std::array<int, 4> tests{};

    void add(const SlopeComparison& r) {
        count(0, r.f_test);
        for (const PairwiseSlopes& p : r.pairs) {
            count(1, p.angle_test);
            count(2, p.length_test);
            count(3, p.distance_test);
        }
    }
    double share(int which) const {
        return static_cast<double>(rejected[static_cast<std::size_t>(which)]) /
               tests[static_cast<std::size_t>(which)];
    }

  private:
    void count(int which, const PermutedStatistic& s) {
        rejected[static_cast<std::size_t>(which)] += s.p_value <= 0.05 ? 1 : 0;
        ++tests[static_cast<std::size_t>(which)];
    }
};

constexpr const char* kNames[] = {"F", "angle", "length difference", "distance"};

SlopeComparison compare(const std::vector<Eigen::MatrixXd>& samples, bool log_size,
                        RandomStream& stream) {
    std::vector<const Eigen::MatrixXd*> pointers;
    for (const Eigen::MatrixXd& x : samples)
        pointers.push_back(&x);
    return compare_growth_slopes(pointers, kPermutations, testing::size_variable(log_size), stream,
                                 1);
}

// The bundled synthetic sample a, superimposed on its own GLS reference: one population, so
// every split of it is a true null.
Eigen::MatrixXd superimposed_bundled_sample() {
    const Eigen::MatrixXd table =
        *read_table_file(std::string(KELMAR_EXAMPLES_DIR) + "/growth_sample_a.txt");
    return dataset_from_stack(gls_reference(stack_from_dataset(table)).fitted,
                              table.col(table.cols() - 1));
}

// `sample`'s rows shuffled and dealt into `parts` samples of nearly equal size.
std::vector<Eigen::MatrixXd> random_split(const Eigen::MatrixXd& sample, int parts,
                                          std::mt19937& gen) {
    std::vector<Eigen::Index> rows(static_cast<std::size_t>(sample.rows()));
    std::iota(rows.begin(), rows.end(), Eigen::Index{0});
    std::shuffle(rows.begin(), rows.end(), gen);
    std::vector<Eigen::MatrixXd> out;
    std::size_t next = 0;
    for (int g = 0; g < parts; ++g) {
        const std::size_t count = (rows.size() - next) / static_cast<std::size_t>(parts - g);
        Eigen::MatrixXd part(static_cast<Eigen::Index>(count), sample.cols());
        for (std::size_t t = 0; t < count; ++t)
            part.row(static_cast<Eigen::Index>(t)) = sample.row(rows[next + t]);
        next += count;
        out.push_back(part);
    }
    return out;
}

// The linear Gaussian model: coordinates = mean + log size · slope + noise, sizes from a
// log-normal law. `slopes[g]` is sample g's slope; the last sample's log size varies half as
// much as the others'.
std::vector<Eigen::MatrixXd> linear_samples(const std::vector<Eigen::RowVectorXd>& slopes,
                                            Eigen::Index specimens, std::mt19937& gen) {
    const Eigen::Index d = slopes[0].size();
    std::normal_distribution<double> normal(0.0, 1.0);
    const Eigen::RowVectorXd mean = testing::random_matrix(1, d, gen);
    std::vector<Eigen::MatrixXd> out;
    for (std::size_t g = 0; g < slopes.size(); ++g) {
        const double spread = g + 1 == slopes.size() ? 0.25 / std::sqrt(2.0) : 0.25;
        Eigen::MatrixXd x(specimens, d + 1);
        for (Eigen::Index i = 0; i < specimens; ++i) {
            const double log_size = std::log(80.0) + spread * normal(gen);
            x.row(i).head(d) =
                mean + log_size * slopes[g] + testing::random_matrix(1, d, gen, 0.03);
            x(i, d) = std::exp(log_size);
        }
        out.push_back(x);
    }
    return out;
}

// A slope of length 1 in a random direction, and the same turned by `degrees` in a random plane
// and stretched by `stretch`.
std::pair<Eigen::RowVectorXd, Eigen::RowVectorXd> designed_slopes(Eigen::Index d, double degrees,
                                                                  double stretch,
                                                                  std::mt19937& gen) {
    const Eigen::RowVectorXd a = testing::random_matrix(1, d, gen).normalized();
    Eigen::RowVectorXd other = testing::random_matrix(1, d, gen);
    other = (other - other.dot(a) * a).normalized();
    const double t = degrees * std::numbers::pi / 180.0;
    return {a, stretch * (std::cos(t) * a + std::sin(t) * other)};
}

void expect_level(const Rejections& r, double lowest, const char* design) {
    std::cout << design << ": P <= 0.05 in";
    for (int which = 0; which < 4; ++which)
        std::cout << " " << kNames[which] << " " << 100.0 * r.share(which) << " %";
    std::cout << "\n";
    for (int which = 0; which < 4; ++which) {
        SCOPED_TRACE(::testing::Message() << design << ", " << kNames[which] << ": "
                                          << r.rejected[static_cast<std::size_t>(which)] << " of "
                                          << r.tests[static_cast<std::size_t>(which)]);
        EXPECT_LE(r.share(which), 0.09);
        EXPECT_GE(r.share(which), lowest);
    }
}

TEST(SlopeCalibration, RandomSplitsOfOneBundledSampleHoldTheLevel) {
    const Eigen::MatrixXd sample = superimposed_bundled_sample();
    for (int parts : {2, 3}) {
        std::mt19937 gen(static_cast<unsigned>(100 + parts));
        RandomStream stream(static_cast<std::uint32_t>(200 + parts));
        Rejections r;
        for (int c = 0; c < kNullCases; ++c)
            r.add(compare(random_split(sample, parts, gen), true, stream));
        // Real samples can be conservative for the length difference and F.
        expect_level(r, 0.0, parts == 2 ? "splits into two" : "splits into three");
    }
}

TEST(SlopeCalibration, LinearModelWithoutDifferenceHoldsTheLevel) {
    for (int k : {2, 3}) {
        std::mt19937 gen(static_cast<unsigned>(300 + k));
        RandomStream stream(static_cast<std::uint32_t>(400 + k));
        Rejections r;
        for (int c = 0; c < kNullCases; ++c) {
            const Eigen::RowVectorXd slope = testing::random_matrix(1, 24, gen).normalized();
            r.add(compare(
                linear_samples(std::vector<Eigen::RowVectorXd>(static_cast<std::size_t>(k), slope),
                               10, gen),
                true, stream));
        }
        expect_level(r, 0.02, k == 2 ? "two linear samples" : "three linear samples");
    }
}

// A turn of 30 degrees, and a slope twice as long, at 15 specimens per sample.
TEST(SlopeCalibration, DesignedDifferencesAreFound) {
    std::mt19937 gen(500);
    RandomStream stream(600);
    int turned_angle = 0, turned_f = 0, longer_length = 0, longer_distance = 0;
    for (int c = 0; c < kCases; ++c) {
        const auto [a, b] = designed_slopes(24, 30.0, 1.0, gen);
        const SlopeComparison turned = compare(linear_samples({a, b}, 15, gen), true, stream);
        turned_angle += turned.pairs[0].angle_test.p_value <= 0.05 ? 1 : 0;
        turned_f += turned.f_test.p_value <= 0.05 ? 1 : 0;
        const auto [s, t] = designed_slopes(24, 0.0, 2.0, gen);
        const SlopeComparison longer = compare(linear_samples({s, t}, 15, gen), true, stream);
        longer_length += longer.pairs[0].length_test.p_value <= 0.05 ? 1 : 0;
        longer_distance += longer.pairs[0].distance_test.p_value <= 0.05 ? 1 : 0;
    }
    EXPECT_GE(turned_angle, 0.9 * kCases);
    EXPECT_GE(turned_f, 0.9 * kCases);
    EXPECT_GE(longer_length, 0.9 * kCases);
    EXPECT_GE(longer_distance, 0.9 * kCases);
    std::cout << "designed differences found in " << turned_angle << ", " << turned_f << ", "
              << longer_length << ", " << longer_distance << " of " << kCases << "\n";
}

}  // namespace
}  // namespace kelmar
