// read_table_file on a landmark file of 10,000 specimens × 100 landmarks (about 35 MB of text), and
// the landmark-file reader on a TPS file of the same sample, both read from disk (the page cache
// after the first run).
#include "landmarks/landmark_file.hpp"
#include "landmarks/table_file.hpp"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

// A file name of this process's in the temporary folder.
std::string scratch_path(const char* extension) {
    return (std::filesystem::temp_directory_path() /
            ("kelmar_bench_" + std::to_string(::getpid()) + extension))
        .string();
}

std::string write_landmark_file(int specimens, int landmarks) {
    const std::string path = scratch_path(".txt");
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::mt19937 gen(1);
    std::normal_distribution<double> coordinate(0.0, 40.0);
    for (int i = 0; i < specimens; ++i) {
        for (int j = 0; j < 3 * landmarks; ++j)
            std::fprintf(f, "%.6f ", coordinate(gen));
        std::fprintf(f, "%.6f\n", 100.0 + i * 0.01);
    }
    std::fclose(f);
    return path;
}

// Reads the file at `path` with `read` in every iteration, then removes it.
template <typename Read>
void time_reading(benchmark::State& state, const std::string& path, Read read) {
    const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        auto result = read(path);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    std::filesystem::remove(path);
}

void BM_Dload(benchmark::State& state) {
    time_reading(state, write_landmark_file(10000, 100),
                 [](const std::string& path) { return kelmar::read_table_file(path); });
}
BENCHMARK(BM_Dload)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string write_tps_file(int specimens, int landmarks) {
    const std::string path = scratch_path(".tps");
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::mt19937 gen(1);
    std::normal_distribution<double> coordinate(0.0, 40.0);
    for (int i = 0; i < specimens; ++i) {
        std::fprintf(f, "LM3=%d\n", landmarks);
        for (int k = 0; k < landmarks; ++k) {
            const double x = coordinate(gen), y = coordinate(gen), z = coordinate(gen);
            std::fprintf(f, "%.6f %.6f %.6f\n", x, y, z);
        }
        std::fprintf(f, "ID=specimen_%d\nSCALE=0.01\n", i + 1);
    }
    std::fclose(f);
    return path;
}

void BM_ReadTps(benchmark::State& state) {
    time_reading(state, write_tps_file(10000, 100),
                 [](const std::string& path) { return kelmar::read_landmark_sample(path); });
}
BENCHMARK(BM_ReadTps)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
