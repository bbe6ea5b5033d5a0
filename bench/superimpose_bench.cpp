// gls_reference on 1,000 specimens × 100 landmarks: 3,000 partial Procrustes fits;
// fit_onto_reference and one fit for scale.
#include "superimpose/gls_reference.hpp"
#include "superimpose/partial_procrustes_fit.hpp"

#include <benchmark/benchmark.h>

#include <Eigen/QR>
#include <random>

namespace {

kelmar::Stack random_sample(Eigen::Index p, Eigen::Index n) {
    std::mt19937 gen(7);
    std::normal_distribution<double> normal(0.0, 1.0);
    Eigen::MatrixXd mean(p, 3);
    for (Eigen::Index k = 0; k < mean.size(); ++k)
        mean.data()[k] = normal(gen);
    kelmar::Stack s(p, n);
    for (Eigen::Index i = 0; i < n; ++i) {
        Eigen::Matrix3d a;
        for (int k = 0; k < 9; ++k)
            a.data()[k] = normal(gen);
        const Eigen::Matrix3d q = Eigen::HouseholderQR<Eigen::Matrix3d>(a).householderQ();
        Eigen::MatrixXd shape = mean;
        for (Eigen::Index k = 0; k < shape.size(); ++k)
            shape.data()[k] += 0.05 * normal(gen);
        s.page(i) = (10.0 * shape * q).array() + 3.0;
    }
    return s;
}

void BM_Getpproc3(benchmark::State& state) {
    const kelmar::Stack sample = random_sample(state.range(0), state.range(1));
    for (auto _ : state) {
        auto fit = kelmar::gls_reference(sample);
        benchmark::DoNotOptimize(fit);
    }
    state.counters["fits"] = 3.0 * static_cast<double>(state.range(1));
    state.counters["ns_per_fit"] = benchmark::Counter(
        3.0 * static_cast<double>(state.range(1)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Getpproc3)->Args({100, 1000})->Args({40, 60})->Unit(benchmark::kMillisecond);

void BM_Getpprocon3(benchmark::State& state) {
    const kelmar::Stack sample = random_sample(100, 1000);
    const Eigen::MatrixXd reference = kelmar::gls_reference(sample).reference;
    for (auto _ : state) {
        auto fitted = kelmar::fit_onto_reference(reference, sample);
        benchmark::DoNotOptimize(fitted);
    }
}
BENCHMARK(BM_Getpprocon3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
