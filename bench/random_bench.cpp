// The random stream: skipping numbers (kelmar6-batch --skip repeats a window's later analysis
// from where its report says the stream stood) and drawing them one by one.
#include "platform/numeric/random_stream.hpp"

#include <benchmark/benchmark.h>

namespace {

void BM_Skip(benchmark::State& state) {
    const auto count = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        kelmar::RandomStream stream;
        stream.skip(count);
        benchmark::DoNotOptimize(stream.next_uniform());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Skip)->Arg(1000000000)->Unit(benchmark::kMillisecond);

void BM_DrawOneByOne(benchmark::State& state) {
    kelmar::RandomStream stream;
    for (auto _ : state)
        benchmark::DoNotOptimize(stream.next_uniform());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DrawOneByOne);

}  // namespace

BENCHMARK_MAIN();
