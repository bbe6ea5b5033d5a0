// The drawing kelmar6-batch writes with --plot and --view: the request checked before any work,
// and the file's bytes from the drawing module loaded only then.
#pragma once

#include "options.hpp"
#include "session/session.hpp"

#include <array>
#include <optional>
#include <string>

namespace kelmar {

struct PlotRequest {
    std::string format;
    std::optional<std::array<double, 2>> view;  // azimuth, elevation
};

// The drawing asked for with --plot and --view, checked before any work: nothing without --plot;
// a UsageError for a name without .emf, .svg, .pdf or .png, or a view that is not AZ,EL.
std::optional<PlotRequest> plot_request(const BatchOptions& o);

// The drawing's file, made by the plot module beside the program (or in lib/kelmar6 of an
// installation); raises an Error when the module cannot be loaded or the drawing fails.
std::string drawing_file(const Drawing& drawing, const Eigen::MatrixXd& wirelist,
                         const PlotRequest& request);

}  // namespace kelmar
