#include "drawing_output.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"
#include "platform/numeric/text_to_numbers.hpp"
#include "plot_module.hpp"

#include <dlfcn.h>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <vector>

namespace kelmar {

std::optional<PlotRequest> plot_request(const BatchOptions& o) {
    if (o.plot.empty()) {
        if (!o.view.empty())
            throw UsageError{"--view needs --plot"};
        return std::nullopt;
    }
    PlotRequest request;
#ifdef KELMAR_HAS_EXPORT
    std::string extension = split_path(o.plot).extension;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* format : {"emf", "svg", "pdf", "png"}) {
        if (extension == std::string(".") + format)
            request.format = format;
    }
#endif
    if (request.format.empty()) {
        throw UsageError{"--plot " + in_quotes(o.plot) +
                         ": the file name must end in .emf, .svg, .pdf or .png"};
    }
    if (!o.view.empty()) {
        std::vector<double> angles;
        const NumbersParsed parsed = parse_numbers_into(o.view, angles);
        if (!parsed.ok || angles.size() != 2 || !std::isfinite(angles[0]) ||
            !std::isfinite(angles[1])) {
            throw UsageError{"--view takes the azimuth and elevation in degrees as AZ,EL, given " +
                             in_quotes(o.view)};
        }
        request.view = {angles[0], angles[1]};
    }
    return request;
}

std::string drawing_file(const Drawing& drawing, const Eigen::MatrixXd& wirelist,
                         const PlotRequest& request) {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    void* module = nullptr;
    std::string tried;
    for (const std::filesystem::path& place :
         {exe.parent_path() / kPlotModule,
          exe.parent_path().parent_path() / "lib" / "kelmar6" / kPlotModule}) {
        module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module != nullptr)
            break;
        std::error_code missing;
        if (std::filesystem::exists(place, missing)) {
            // There, but not loadable: damaged, or built for another system.
            const char* why = ::dlerror();
            throw Error("the drawing module " + in_quotes(place.string()) +
                        " could not be loaded: " + (why != nullptr ? why : "unknown reason"));
        }
        tried += (tried.empty() ? "" : ", ") + in_quotes(place.string());
    }
    if (module == nullptr)
        throw Error("the drawing needs the module " + std::string(kPlotModule) +
                    ", which is not in " + tried);
    const auto draw = reinterpret_cast<DrawToBytes>(::dlsym(module, kDrawToBytes));
    if (draw == nullptr)
        throw Error(std::string("the module ") + kPlotModule + " has no drawing entry");
    PlotJob job{&drawing,
                &wirelist,
                request.format,
                request.view.has_value(),
                request.view ? (*request.view)[0] : 0.0,
                request.view ? (*request.view)[1] : 0.0};
    std::string bytes;
    std::string message;
    if (!draw(job, bytes, message))
        throw Error(message);
    return bytes;
}

}  // namespace kelmar
