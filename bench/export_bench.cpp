// Drawing a figure of 100 specimens × 100 landmarks (10,000 circle markers) and 200 wires on an
// 800 × 600 page: into an image through the renderer, and as an EMF file's bytes. Reports the
// time per figure and, for EMF, the file size.
#include "display/draw_shapes.hpp"
#include "display/draw_wireframe.hpp"
#include "platform/export/qt_painter.hpp"
#include "platform/export/renderer.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/plotting.hpp"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <random>

namespace {

struct Scene {
    kelmar::Graphics g;
    kelmar::Handle figure = g.create_figure({{"Position", kelmar::Value::row({0, 0, 800, 600})}});

    Scene() {
        std::mt19937 gen(5);
        std::normal_distribution<double> normal(0.0, 1.0);
        Eigen::MatrixXd mean(100, 3);
        for (Eigen::Index i = 0; i < mean.size(); ++i)
            mean(i) = normal(gen);
        kelmar::Stack specimens(100, 100);
        for (Eigen::Index k = 0; k < 100; ++k) {
            specimens.page(k) = mean;
            for (Eigen::Index i = 0; i < 300; ++i)
                specimens.page(k)(i % 100, i / 100) += 0.05 * normal(gen);
        }
        kelmar::draw_shapes(g, mean, kelmar::parse_plot_style("gp"));
        kelmar::draw_shapes(g, specimens, kelmar::parse_plot_style("ro"));
        Eigen::MatrixXd wires(200, 3);
        for (Eigen::Index w = 0; w < 200; ++w)
            wires.row(w) << w + 1, w % 100 + 1, (w * 7 + 3) % 100 + 1;
        kelmar::draw_wireframe(g, mean, wires, kelmar::parse_plot_style("k-"));
    }
};

void BM_RenderToImage(benchmark::State& state) {
    kelmar::ensure_gui_application();
    Scene scene;
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        kelmar::QtPainter painter(p, 800, 600);
        kelmar::render_figure(scene.g, scene.figure, painter);
    }
}
BENCHMARK(BM_RenderToImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EmfExport(benchmark::State& state) {
    kelmar::ensure_gui_application();
    Scene scene;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string emf = kelmar::figure_bytes(scene.g, scene.figure, "emf");
        bytes = emf.size();
        benchmark::DoNotOptimize(emf.data());
    }
    state.counters["file_kB"] = static_cast<double>(bytes) / 1000.0;
}
BENCHMARK(BM_EmfExport)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
