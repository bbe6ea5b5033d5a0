// Text to numbers on a landmark-sized table: 10,000 lines of 301 numbers (100 landmarks and a
// size), written as a data file would hold them. Reports bytes per second.
#include "platform/numeric/text_to_numbers.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::string landmark_table(int lines, int numbers_per_line) {
    std::mt19937 gen(12345);
    std::normal_distribution<double> coordinate(0.0, 40.0);
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * numbers_per_line * 12);
    char buffer[32];
    for (int i = 0; i < lines; ++i) {
        for (int j = 0; j < numbers_per_line; ++j) {
            const int n =
                std::snprintf(buffer, sizeof buffer, j + 1 < numbers_per_line ? "%.4f " : "%.4f\n",
                              coordinate(gen));
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return text;
}

void BM_TextToNumbers(benchmark::State& state) {
    const std::string text = landmark_table(10000, 301);
    std::vector<double> out;
    out.reserve(3010000);
    for (auto _ : state) {
        out.clear();
        const auto parsed = kelmar::parse_numbers_into(text, out);
        benchmark::DoNotOptimize(parsed);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["numbers"] = static_cast<double>(out.size());
}
BENCHMARK(BM_TextToNumbers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
