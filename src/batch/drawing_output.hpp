// The drawings kelmar6-batch writes: --plot (the superimposed samples), --plot-allometry,
// --plot-growth with --magnify, --plot-distributions, --plot-shape-space with --components, and
// --view for the 3D ones. The requests
// are checked before any work; the files' bytes come from the drawing module, loaded only then.
#pragma once

#include "options.hpp"
#include "plot_module.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kelmar {

struct PlotRequest {
    std::string path;
    std::string format;  // "emf", "svg", "pdf" or "png"
};

struct PlotRequests {
    std::optional<PlotRequest> superimposed;
    std::optional<PlotRequest> allometry;
    std::optional<PlotRequest> growth;
    std::optional<PlotRequest> distributions;
    std::optional<PlotRequest> shape_space;
    std::array<Eigen::Index, 2> components{1, 2};
    std::optional<std::array<double, 2>> view;  // azimuth, elevation
    double magnify = 0.0;                       // 0: chosen from the growth drawn

    bool any() const { return superimposed || allometry || growth || distributions || shape_space; }
};

// Checked before any work: a UsageError for a name without .emf, .svg, .pdf or .png, a view that
// is not AZ,EL or without a 3D drawing, and a magnification that is not a positive number or
// without --plot-growth.
PlotRequests plot_requests(const BatchOptions& o);

// A drawing's file to write.
struct DrawnFile {
    std::string path;
    std::string bytes;
};

// Every drawing asked for, of the session's last analysis (`shown`: what the last load drew;
// `space`: the samples in shape space, when it is drawn), as files to write; none when none is
// asked for.
std::vector<DrawnFile> drawing_files(const PlotRequests& requests, const Session& session,
                                     const LoadResult& shown, const ShapeSpace* space = nullptr);

// The file of one drawing, made by the plot module beside the program (or in the plugin folder
// of an installation); `job` names what to draw, the request's format and the view are filled in.
// Raises an Error when the module cannot be loaded or the drawing fails.
std::string drawing_file(PlotJob job, const PlotRequest& request, const PlotRequests& all);

}  // namespace kelmar
