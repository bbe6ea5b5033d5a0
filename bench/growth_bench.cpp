// The within-sample bootstraps on a synthetic growth sample: N specimens of p landmarks
// (C = 3p + 1 columns), n2 = N, 10,000 replicates. Reports the time per call and the nanoseconds
// per replicate per (N + n2)·(C − 1) element of the two resampled sets.
#include "growth/bootstrap_angles.hpp"
#include "growth/procrustes_anova.hpp"
#include "growth/shape_space.hpp"
#include "growth/slope_comparison.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

Eigen::MatrixXd growth_sample(Eigen::Index n, Eigen::Index p) {
    std::mt19937 gen(11);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> size(40.0, 120.0);
    const Eigen::Index d = 3 * p;
    Eigen::RowVectorXd start(d), direction(d);
    for (Eigen::Index j = 0; j < d; ++j) {
        start(j) = 10.0 * normal(gen);
        direction(j) = normal(gen);
    }
    Eigen::MatrixXd x(n, d + 1);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double cs = size(gen);
        for (Eigen::Index j = 0; j < d; ++j) {
            x(i, j) = start(j) + std::log(cs) * direction(j) + 0.3 * normal(gen);
        }
        x(i, d) = cs;
    }
    return x;
}

template <kelmar::SizeVariable Size>
void BM_Bootstrap(benchmark::State& state) {
    const Eigen::Index n = state.range(0);
    const Eigen::Index p = state.range(1);
    const int threads = static_cast<int>(state.range(2));
    const Eigen::Index nboots = 10000;
    const Eigen::MatrixXd x = growth_sample(n, p);
    kelmar::RandomStream stream;
    for (auto _ : state) {
        auto y = kelmar::bootstrap_angles(x, Size, nboots, n, stream, threads);
        benchmark::DoNotOptimize(y);
    }
    const double elements = static_cast<double>(nboots) * static_cast<double>(2 * n) *
                            static_cast<double>(x.cols() - 1);
    // Time per replicate per element of the two resampled sets, printed with an SI prefix
    // (for example 63.8p: 63.8 picoseconds, 0.0638 ns).
    state.counters["time_per_element"] = benchmark::Counter(
        elements, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The comparison of k samples of N specimens of p landmarks each (log size) with K permutations:
// F and every pair's angle, length difference and distance, and with the Procrustes ANOVA the
// size and sample terms' F too. Reports the time per call and per permutation.
template <bool WithAnova>
void BM_SlopeComparison(benchmark::State& state) {
    const Eigen::Index k = state.range(0);
    const Eigen::Index n = state.range(1);
    const Eigen::Index p = state.range(2);
    const Eigen::Index permutations = state.range(3);
    const int threads = static_cast<int>(state.range(4));
    const Eigen::MatrixXd x = growth_sample(k * n, p);
    std::vector<Eigen::MatrixXd> samples;
    std::vector<const Eigen::MatrixXd*> pointers;
    for (Eigen::Index g = 0; g < k; ++g)
        samples.push_back(x.middleRows(g * n, n));
    for (const Eigen::MatrixXd& sample : samples)
        pointers.push_back(&sample);
    kelmar::RandomStream stream;
    for (auto _ : state) {
        if constexpr (WithAnova) {
            // The slope tests with the ANOVA's terms, and the table's sums of squares.
            auto r = kelmar::compare_growth_slopes(pointers, permutations,
                                                   kelmar::SizeVariable::log_centroid_size, stream,
                                                   threads, true);
            auto table = kelmar::anova_table(pointers, kelmar::SizeVariable::log_centroid_size, r);
            benchmark::DoNotOptimize(table);
        } else {
            auto r = kelmar::compare_growth_slopes(
                pointers, permutations, kelmar::SizeVariable::log_centroid_size, stream, threads);
            benchmark::DoNotOptimize(r);
        }
    }
    state.counters["time_per_permutation"] = benchmark::Counter(
        static_cast<double>(permutations),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The shape space of two samples of N/2 specimens of p landmarks: the principal components, the
// first 20 components' scores and both trajectories.
void BM_ShapeSpace(benchmark::State& state) {
    const Eigen::Index n = state.range(0);
    const Eigen::Index p = state.range(1);
    const int threads = static_cast<int>(state.range(2));
    const Eigen::MatrixXd x = growth_sample(n, p);
    const std::vector<Eigen::MatrixXd> samples = {x.topRows(n / 2), x.bottomRows(n - n / 2)};
    const std::vector<const Eigen::MatrixXd*> pointers = {&samples[0], &samples[1]};
    for (auto _ : state) {
        const kelmar::ShapeSpace space = kelmar::shape_space(
            pointers, kelmar::SizeVariable::log_centroid_size, false, kelmar::kScoresKept, threads);
        auto lines = kelmar::trajectories(space, 0, 1);
        benchmark::DoNotOptimize(lines);
    }
}

void reference_case(benchmark::internal::Benchmark* b) {
    b->Args({60, 40, 1})->Args({60, 40, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
}

void scaling_series(benchmark::internal::Benchmark* b) {
    for (int n : {20, 60, 200}) {
        for (int p : {10, 40, 100})
            b->Args({n, p, 1});
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_TEMPLATE(BM_Bootstrap, kelmar::SizeVariable::log_centroid_size)
    ->Name("anglerbr/N/p/threads")
    ->Apply(reference_case);
BENCHMARK_TEMPLATE(BM_Bootstrap, kelmar::SizeVariable::centroid_size)
    ->Name("sanglerbr/N/p/threads")
    ->Apply(reference_case);
// Two samples of 60 (N = 120), 9,999 permutations; ten samples of 60, 999 permutations.
BENCHMARK_TEMPLATE(BM_SlopeComparison, false)
    ->Name("slope_comparison/k/n/p/K/threads")
    ->Args({2, 60, 40, 9999, 1})
    ->Args({2, 60, 10, 9999, 1})
    ->Args({2, 60, 40, 9999, 2})
    ->Args({10, 60, 40, 999, 1})
    ->Args({10, 60, 40, 999, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The same tests with the Procrustes ANOVA table.
BENCHMARK_TEMPLATE(BM_SlopeComparison, true)
    ->Name("slope_comparison_with_anova/k/n/p/K/threads")
    ->Args({2, 60, 40, 9999, 1})
    ->Args({10, 60, 40, 999, 1})
    ->Args({10, 60, 40, 999, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ShapeSpace)
    ->Name("shape_space/N/p/threads")
    ->Args({10000, 100, 1})
    ->Args({10000, 100, 2})
    ->Args({200, 1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_Bootstrap, kelmar::SizeVariable::log_centroid_size)
    ->Name("anglerbr_scaling/N/p/threads")
    ->Apply(scaling_series);
BENCHMARK_TEMPLATE(BM_Bootstrap, kelmar::SizeVariable::centroid_size)
    ->Name("sanglerbr_scaling/N/p/threads")
    ->Apply(scaling_series);

}  // namespace

BENCHMARK_MAIN();
