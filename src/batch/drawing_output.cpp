#include "drawing_output.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
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

namespace {

// The format a drawing's name asks for by its extension.
std::optional<PlotRequest> request_of(const char* option, const std::string& path) {
    if (path.empty())
        return std::nullopt;
    PlotRequest request{path, {}};
#ifdef KELMAR_HAS_EXPORT
    std::string extension = split_path(path).extension;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* format : {"emf", "svg", "pdf", "png"}) {
        if (extension == std::string(".") + format)
            request.format = format;
    }
#endif
    if (request.format.empty()) {
        throw UsageError{std::string(option) + " " + in_quotes(path) +
                         ": the file name must end in .emf, .svg, .pdf or .png"};
    }
    return request;
}

}  // namespace

PlotRequests plot_requests(const BatchOptions& o) {
    PlotRequests r;
    r.superimposed = request_of("--plot", o.plot);
    r.allometry = request_of("--plot-allometry", o.plot_allometry);
    r.growth = request_of("--plot-growth", o.plot_growth);
    r.distributions = request_of("--plot-distributions", o.plot_distributions);
    r.shape_space = request_of("--plot-shape-space", o.plot_shape_space);
    if (o.components_given && !r.shape_space)
        throw UsageError{"--components needs --plot-shape-space"};
    r.components = o.components;
    if (o.magnify && !r.growth)
        throw UsageError{"--magnify needs --plot-growth"};
    r.magnify = o.magnify.value_or(0.0);
    if (!o.view.empty()) {
        if (!r.superimposed && !r.growth)
            throw UsageError{"--view needs --plot or --plot-growth"};
        std::vector<double> angles;
        const NumbersParsed parsed = parse_numbers_into(o.view, angles);
        if (!parsed.ok || angles.size() != 2 || !std::isfinite(angles[0]) ||
            !std::isfinite(angles[1])) {
            throw UsageError{"--view takes the azimuth and elevation in degrees as AZ,EL, given " +
                             in_quotes(o.view)};
        }
        r.view = {angles[0], angles[1]};
    }
    return r;
}

std::vector<DrawnFile> drawing_files(const PlotRequests& requests, const Session& session,
                                     const LoadResult& shown, const ShapeSpace* space) {
    std::vector<DrawnFile> files;
    if (!requests.any())
        return files;
    const std::vector<std::string> names = session.sample_names();
    PlotJob job;
    job.wirelist = &session.wirelist();
    job.names = &names;
    job.size = session.analysed_size_variable();
    if (requests.superimposed) {
        job.kind = PlotKind::superimposed;
        job.drawing = &shown.drawing;
        files.push_back(
            {requests.superimposed->path, drawing_file(job, *requests.superimposed, requests)});
    }
    if (requests.allometry) {
        const AllometryScores scores = session.allometry();
        job.kind = PlotKind::allometry;
        job.allometry = &scores;
        files.push_back(
            {requests.allometry->path, drawing_file(job, *requests.allometry, requests)});
    }
    if (requests.growth) {
        const GrowthChange change = session.growth_as_shape_change();
        job.kind = PlotKind::growth_change;
        job.growth = &change;
        files.push_back({requests.growth->path, drawing_file(job, *requests.growth, requests)});
    }
    if (requests.distributions) {
        const AngleDistributions d = session.angle_distributions();
        job.kind = PlotKind::distributions;
        job.distributions = &d;
        files.push_back(
            {requests.distributions->path, drawing_file(job, *requests.distributions, requests)});
    }
    if (requests.shape_space && space != nullptr) {
        job.kind = PlotKind::shape_space;
        job.shape_space = space;
        job.components = requests.components;
        files.push_back(
            {requests.shape_space->path, drawing_file(job, *requests.shape_space, requests)});
    }
    return files;
}

std::string drawing_file(PlotJob job, const PlotRequest& request, const PlotRequests& all) {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    void* module = nullptr;
    std::string tried;
    for (const std::filesystem::path& place :
         {exe.parent_path() / kPlotModule,
          exe.parent_path().parent_path() / KELMAR_PLUGIN_DIR / kPlotModule}) {
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
    job.format = request.format;
    job.has_view = all.view.has_value();
    job.azimuth = all.view ? (*all.view)[0] : 0.0;
    job.elevation = all.view ? (*all.view)[1] : 0.0;
    job.magnification = all.magnify;
    std::string bytes;
    std::string message;
    if (!draw(job, bytes, message))
        throw Error(message);
    return bytes;
}

}  // namespace kelmar
