// The drawing of kelmar6-batch --plot lives in a module of its own (kelmar6-plot.so), loaded only
// when a drawing is asked for: the window system's libraries it needs would otherwise be loaded,
// at a cost of some 20 ms, by every run of the batch tool.
#pragma once

#include "session/session.hpp"

#include <optional>
#include <string>

namespace kelmar {

struct PlotJob {
    const Drawing* drawing = nullptr;
    const Eigen::MatrixXd* wirelist = nullptr;
    std::string format;  // "emf", "svg", "pdf" or "png"
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
