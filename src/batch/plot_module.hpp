// The drawings of kelmar6-batch --plot, --plot-allometry, --plot-growth, --plot-distributions,
// --plot-shape-space
// live in a module of its own (kelmar6-plot.so), loaded only
// when a drawing is asked for: the window system's libraries it needs would otherwise be loaded,
// at a cost of some 20 ms, by every run of the batch tool.
#pragma once

#include "session/session.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kelmar {

enum class PlotKind { superimposed, allometry, growth_change, distributions, shape_space };

// What to draw: the pointers that the kind needs are set, the others may be null.
struct PlotJob {
    PlotKind kind = PlotKind::superimposed;
    const Drawing* drawing = nullptr;
    const Eigen::MatrixXd* wirelist = nullptr;
    const AllometryScores* allometry = nullptr;
    SizeVariable size = SizeVariable::log_centroid_size;
    const GrowthChange* growth = nullptr;
    double magnification = 0.0;  // 0: the default magnification of the growth drawn
    const AngleDistributions* distributions = nullptr;
    const ShapeSpace* shape_space = nullptr;
    std::array<Eigen::Index, 2> components{1, 2};     // the shape space's axes, from 1
    const std::vector<std::string>* names = nullptr;  // the samples' names, for the legends
    std::string format;                               // "emf", "svg", "pdf" or "png"
    bool has_view = false;
    double azimuth = 0;
    double elevation = 0;
};

// The module's one entry, found by name: fills `bytes` with the file and returns true, or fills
// `error` with the message and returns false.
using DrawToBytes = bool (*)(const PlotJob& job, std::string& bytes, std::string& error);
inline constexpr const char* kDrawToBytes = "kelmar_draw_to_bytes";
inline constexpr const char* kPlotModule = "kelmar6-plot.so";

}  // namespace kelmar
