// Start-up of the desktop program: the runtime's initialisers, the main window opened from its
// figure file and drawn by the view, then the terminators; on Qt's offscreen platform unless
// QT_QPA_PLATFORM names another. Reports the time to the main window shown.
#include "gui/openfig.hpp"
#include "platform/graphics/graphics.hpp"
#include "shell/program.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <sstream>

namespace {

void BM_MainWindowShown(benchmark::State& state) {
    kelmar::set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    for (auto _ : state) {
        std::ostringstream console;
        kelmar::Program program(console);
        for (kelmar::InitTermRow& row : program.init_term_table())
            row.initialise();
        program.table().call("kelmar6", 0, {});
        program.graphics().flush_drawing();
        state.PauseTiming();
        for (auto row = program.init_term_table().rbegin(); row != program.init_term_table().rend();
             ++row)
            row->terminate();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_MainWindowShown)->Name("startup_to_main_window")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
