// gls_reference on 1,000 specimens × 100 landmarks: 3,000 partial Procrustes fits, in 3D and in
// 2D, with the time per fitted coordinate to compare the two; fit_onto_reference; the estimate of
// missing landmarks.
#include "superimpose/gls_reference.hpp"
#include "superimpose/missing_landmarks.hpp"
#include "superimpose/partial_procrustes_fit.hpp"

#include <benchmark/benchmark.h>

#include <Eigen/QR>
#include <cmath>
#include <random>

namespace {

// n noisy copies of one shape of p landmarks in d dimensions, each turned at random.
kelmar::Stack random_sample(Eigen::Index p, Eigen::Index n, int d) {
    std::mt19937 gen(7);
    std::normal_distribution<double> normal(0.0, 1.0);
    Eigen::MatrixXd mean(p, d);
    for (Eigen::Index k = 0; k < mean.size(); ++k)
        mean.data()[k] = normal(gen);
    kelmar::Stack s(p, n, d);
    for (Eigen::Index i = 0; i < n; ++i) {
        Eigen::MatrixXd a(d, d);
        for (Eigen::Index k = 0; k < a.size(); ++k)
            a.data()[k] = normal(gen);
        const Eigen::MatrixXd q = Eigen::HouseholderQR<Eigen::MatrixXd>(a).householderQ();
        Eigen::MatrixXd shape = mean;
        for (Eigen::Index k = 0; k < shape.size(); ++k)
            shape.data()[k] += 0.05 * normal(gen);
        s.page(i) = (10.0 * shape * q).array() + 3.0;
    }
    return s;
}

// Arguments: landmarks, specimens, dimension.
void BM_GlsReference(benchmark::State& state) {
    const int d = static_cast<int>(state.range(2));
    const kelmar::Stack sample = random_sample(state.range(0), state.range(1), d);
    for (auto _ : state) {
        auto fit = kelmar::gls_reference(sample);
        benchmark::DoNotOptimize(fit);
    }
    const double fits = 3.0 * static_cast<double>(state.range(1));
    state.counters["ns_per_fit"] = benchmark::Counter(
        fits, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["ns_per_coordinate"] = benchmark::Counter(
        fits * static_cast<double>(state.range(0) * d),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GlsReference)
    ->ArgNames({"p", "n", "d"})
    ->Args({100, 1000, 3})
    ->Args({100, 1000, 2})
    ->Args({40, 60, 3})
    ->Args({40, 60, 2})
    ->Unit(benchmark::kMillisecond);

void BM_FitOntoReference(benchmark::State& state) {
    const kelmar::Stack sample = random_sample(100, 1000, 3);
    const Eigen::MatrixXd reference = kelmar::gls_reference(sample).reference;
    for (auto _ : state) {
        auto fitted = kelmar::fit_onto_reference(reference, sample);
        benchmark::DoNotOptimize(fitted);
    }
}
BENCHMARK(BM_FitOntoReference)->Unit(benchmark::kMillisecond);

// 1,000 incomplete specimens of 100 landmarks, 10 missing each at random, beside 100 complete
// ones; arguments: the dimension. Each iteration estimates a fresh copy.
void BM_EstimateMissing(benchmark::State& state) {
    const int d = static_cast<int>(state.range(0));
    const Eigen::Index p = 100, n = 1100;
    const kelmar::Stack sample = random_sample(p, n, d);
    Eigen::MatrixXd coordinates(n, d * p);
    for (Eigen::Index i = 0; i < n; ++i) {
        const Eigen::RowVectorXd row = sample.page(i).transpose().reshaped().transpose();
        coordinates.row(i) = row;
    }
    std::mt19937 gen(9);
    std::uniform_int_distribution<Eigen::Index> landmark(0, p - 1);
    for (Eigen::Index i = 100; i < n; ++i) {
        for (int removed = 0; removed < 10;) {
            const Eigen::Index l = landmark(gen);
            if (std::isnan(coordinates(i, d * l)))
                continue;
            coordinates.row(i).segment(d * l, d).setConstant(std::nan(""));
            ++removed;
        }
    }
    for (auto _ : state) {
        Eigen::MatrixXd copy = coordinates;
        auto estimated = kelmar::estimate_missing_landmarks(copy, d, {});
        benchmark::DoNotOptimize(estimated);
    }
}
BENCHMARK(BM_EstimateMissing)->ArgNames({"d"})->Arg(3)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
