// The pictures of growth for two samples of 5,000 specimens × 100 landmarks each (10,000
// specimens): each view's numbers computed from the datasets, drawn into a figure of 800 × 600
// and rendered to PNG (300 dpi), EMF and SVG bytes. Reports the time per picture and format.
#include "display/growth_views.hpp"
#include "growth/allometry.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/plotting.hpp"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using kelmar::Graphics;

struct Samples {
    Eigen::MatrixXd a, b;
    std::vector<const Eigen::MatrixXd*> both{&a, &b};
    Eigen::MatrixXd wirelist;
    kelmar::AngleDistributions angles;

    Samples() : a(sample(5000, 1)), b(sample(5000, 2)), wirelist(99, 3) {
        for (Eigen::Index w = 0; w < 99; ++w)
            wirelist.row(w) << w + 1, w + 1, w + 2;
        std::mt19937 gen(4);
        std::gamma_distribution<double> spread(4.0, 1.5);
        for (int s = 0; s < 2; ++s) {
            Eigen::VectorXd v(10000);
            for (double& x : v)
                x = spread(gen);
            std::sort(v.begin(), v.end());
            angles.bootstrap.push_back(v);
            angles.ranges.push_back({v(7999), v(8999), v(9499)});
        }
        angles.observed.resize(2, 2);
        angles.observed << 0, 20, 20, 0;
        angles.permuted.push_back({1, 2, 20.0, 9.0, angles.bootstrap[0]});
    }

    static Eigen::MatrixXd sample(Eigen::Index n, unsigned seed) {
        std::mt19937 gen(seed);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::uniform_real_distribution<double> size(40.0, 120.0);
        Eigen::RowVectorXd start(300), direction(300);
        for (Eigen::Index j = 0; j < 300; ++j) {
            start(j) = 10 * normal(gen);
            direction(j) = normal(gen);
        }
        Eigen::MatrixXd x(n, 301);
        for (Eigen::Index i = 0; i < n; ++i) {
            x(i, 300) = size(gen);
            for (Eigen::Index j = 0; j < 300; ++j)
                x(i, j) = start(j) + std::log(x(i, 300)) * direction(j) + 0.1 * normal(gen);
        }
        return x;
    }
};

const Samples& samples() {
    static const Samples s;
    return s;
}

const std::vector<std::string> kNames = {"a.txt", "b.txt"};
const char* const kFormats[] = {"png", "emf", "svg"};

template <typename Draw>
void picture(benchmark::State& state, Draw draw) {
    kelmar::ensure_gui_application();
    const char* format = kFormats[state.range(0)];
    std::size_t bytes = 0;
    for (auto _ : state) {
        Graphics g;
        const kelmar::Handle figure =
            g.create_figure({{"Position", kelmar::Value::row({0, 0, 800, 600})}});
        draw(g);
        const std::string file = kelmar::figure_bytes(g, figure, format);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.SetLabel(format);
    state.counters["file_kB"] = static_cast<double>(bytes) / 1000.0;
}

void BM_Allometry(benchmark::State& state) {
    const Samples& s = samples();
    picture(state, [&](Graphics& g) {
        const kelmar::AllometryScores scores =
            kelmar::allometry_scores(s.both, kelmar::SizeVariable::log_centroid_size, true);
        kelmar::draw_allometry(g, scores, kNames, kelmar::SizeVariable::log_centroid_size);
    });
}

void BM_GrowthChange(benchmark::State& state) {
    const Samples& s = samples();
    picture(state, [&](Graphics& g) {
        const kelmar::GrowthChange change =
            kelmar::growth_change(s.both, kelmar::SizeVariable::log_centroid_size);
        kelmar::draw_growth_change(g, change, s.wirelist, 3.0, kNames);
    });
}

void BM_Distributions(benchmark::State& state) {
    const Samples& s = samples();
    picture(state, [&](Graphics& g) { kelmar::draw_distributions(g, s.angles, kNames); });
}

BENCHMARK(BM_Allometry)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GrowthChange)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Distributions)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
