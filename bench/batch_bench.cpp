// The whole kelmar6-batch process on two synthetic samples of 60 specimens × 40 landmarks, LCS,
// common reference, 10,000 replicates: wall time from start to exit, report to /dev/null.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

extern char** environ;

namespace {

std::string write_sample(const std::string& path, int specimens, int landmarks, double turn,
                         unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> size(40.0, 120.0);
    std::FILE* f = std::fopen(path.c_str(), "w");
    for (int i = 0; i < specimens; ++i) {
        const double cs = size(gen);
        for (int j = 0; j < 3 * landmarks; ++j) {
            const double mean = 10.0 * std::sin(1.7 * j);
            const double growth = std::cos(0.9 * j + turn);
            std::fprintf(f, "%.6f ",
                         cs * (mean + 0.3 * std::log(cs) * growth + 0.05 * normal(gen)));
        }
        std::fprintf(f, "%.6f\n", cs);
    }
    std::fclose(f);
    return path;
}

void BM_BatchProcess(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("kelmar_batch_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string a = write_sample((folder / "a.txt").string(), 60, 40, 0.0, 1);
    const std::string b = write_sample((folder / "b.txt").string(), 60, 40, 0.4, 2);
    const std::string report = (folder / "report.txt").string();
    const char* argv[] = {KELMAR_BATCH_PATH, "--common-reference", "--boots", "10000",   "--quiet",
                          "--report",        report.c_str(),       a.c_str(), b.c_str(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("cannot start kelmar6-batch");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("kelmar6-batch failed");
            break;
        }
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BatchProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
