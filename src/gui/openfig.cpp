#include "openfig.hpp"

#include "movegui.hpp"
#include "platform/graphics/figure_file.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"

#include <filesystem>

namespace kelmar {
namespace {

std::string& resource_folder() {
    static std::string folder;
    return folder;
}

Handle load(Graphics& g, const std::string& filename, bool has_folder) {
    if (!has_folder && !resource_folder().empty() && !std::filesystem::exists(filename)) {
        const std::string installed = join_path(resource_folder(), filename);
        if (std::filesystem::exists(installed))
            return load_figure_file(g, installed);
        throw Error("cannot open figure file " + in_quotes(filename) +
                    ": it is neither in the working folder " + in_quotes(current_folder()) +
                    " nor in " + in_quotes(resource_folder()));
    }
    return load_figure_file(g, filename);
}

}  // namespace

void set_figure_resource_folder(const std::string& folder) {
    resource_folder() = folder;
}

Handle openfig(Graphics& g, const std::string& filename, const std::string& policy) {
    PathParts parts = split_path(filename);
    if (parts.extension.empty()) {
        parts.extension = ".fig";
    } else if (parts.extension != ".fig") {
        throw Error("Argument must be a .fig file");
    }
    const std::string file = join_path(parts.folder, parts.name + parts.extension);
    const std::string token = (parts.name + "_SINGLETON_handle").substr(0, 31);

    std::vector<double> figs;
    const Value registered = g.app_data(Graphics::kRoot, token);
    for (double h : registered.reals()) {
        if (g.is_valid(h))
            figs.push_back(h);
    }
    Handle fig = 0;
    if (policy == "new") {
        fig = load(g, file, !parts.folder.empty());
        figs.push_back(fig);
    } else if (policy == "reuse") {
        if (figs.empty())
            figs.push_back(load(g, file, !parts.folder.empty()));
        fig = figs.back();
    } else {
        throw Error("Second input argument must be 'new' or 'reuse'.");
    }
    g.set_app_data(Graphics::kRoot, token, Value::row(figs));
    movegui(g, {Value(fig), Value("onscreen")});
    if (g.get(fig, "visible").text() == "on")
        g.figure(fig);
    return fig;
}

}  // namespace kelmar
