// 3D Slicer markups, one specimen a file: .fcsv (header lines starting with #, the "columns ="
// line telling where x, y and z are) and .mrk.json (the control points' "position"). A sample is
// a folder of such files in file-name order; other files in it are left alone. Points marked
// missing or undefined, and empty or NA coordinates, are missing landmarks.
#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "table_file.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace kelmar {

using namespace landmark_text;

namespace {

bool ends_with_ignoring_case(std::string_view name, std::string_view end) {
    return name.size() > end.size() &&
           equal_ignoring_case(name.substr(name.size() - end.size()), end);
}

// The specimen's name: the file name without its markup extension.
std::string specimen_name(const std::string& file) {
    const std::string_view end = ends_with_ignoring_case(file, ".mrk.json") ? ".mrk.json" : ".fcsv";
    return file.substr(0, file.size() - end.size());
}

std::vector<double> fcsv_points(std::string_view text, const std::string& file,
                                const std::string& name, std::string* missing_place) {
    // Without a columns line, the layout Slicer has always written: id, x, y, z, ...
    std::size_t x = 1, y = 2, z = 3;
    std::vector<double> xyz;
    Lines lines(text);
    std::string_view line;
    while (lines.next(line)) {
        const std::string_view t = trim(line);
        if (t.empty())
            continue;
        if (t.front() == '#') {
            const std::string_view body = trim(t.substr(1));
            const std::size_t equals = body.find('=');
            if (equals != std::string_view::npos &&
                equal_ignoring_case(trim(body.substr(0, equals)), "columns")) {
                const std::vector<std::string_view> columns =
                    split_fields(body.substr(equals + 1), ',');
                const auto index = [&](std::string_view wanted) {
                    const auto at = std::find_if(columns.begin(), columns.end(), [&](auto c) {
                        return equal_ignoring_case(c, wanted);
                    });
                    if (at == columns.end()) {
                        throw Error(where(file, lines.number()) + ": the columns line names no " +
                                    std::string(wanted) + " column");
                    }
                    return static_cast<std::size_t>(at - columns.begin());
                };
                x = index("x");
                y = index("y");
                z = index("z");
            }
            continue;
        }
        const std::vector<std::string_view> fields = split_fields(t, ',');
        const Place place{file, lines.number(), name};
        if (fields.size() <= std::max({x, y, z})) {
            const std::string message =
                place.text() + ": a landmark is missing (the line holds no x, y and z)";
            if (missing_place == nullptr)
                throw Error(message);
            if (missing_place->empty())
                *missing_place = message;
            xyz.insert(xyz.end(), 3, std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        for (std::size_t j : {x, y, z})
            xyz.push_back(coordinate(fields[j], place, "a landmark", missing_place));
    }
    return xyz;
}

std::vector<double> json_points(const std::string& text, const std::string& file,
                                const std::string& name, std::string* missing_place) {
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        throw Error(in_quotes(file) + " is not a markups JSON file: " + printable(e.what()));
    }
    const auto* markups = doc.is_object() && doc.contains("markups") ? &doc["markups"] : nullptr;
    if (markups == nullptr || !markups->is_array() || markups->empty() ||
        !(*markups)[0].is_object() || !(*markups)[0].contains("controlPoints") ||
        !(*markups)[0]["controlPoints"].is_array()) {
        throw Error(in_quotes(file) + " holds no markups with control points");
    }
    std::vector<double> xyz;
    std::size_t k = 0;
    for (const nlohmann::json& point : (*markups)[0]["controlPoints"]) {
        ++k;
        const std::string place = in_quotes(file) + ", control point " + std::to_string(k) +
                                  " (specimen " + in_quotes(name) + ")";
        const bool has_position = point.is_object() && point.contains("position");
        const std::string status = point.is_object() && point.contains("positionStatus") &&
                                           point["positionStatus"].is_string()
                                       ? point["positionStatus"].get<std::string>()
                                       : "defined";
        if (!has_position || status == "missing" || status == "undefined") {
            const std::string message = place + ": a landmark is missing (its position is " +
                                        (has_position ? status : std::string("absent")) + ")";
            if (missing_place == nullptr)
                throw Error(message + "; every landmark must be present");
            if (missing_place->empty())
                *missing_place = message;
            xyz.insert(xyz.end(), 3, std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        const nlohmann::json& position = point["position"];
        if (!position.is_array() || position.size() != 3 ||
            !std::all_of(position.begin(), position.end(),
                         [](const nlohmann::json& v) { return v.is_number(); })) {
            throw Error(place + ": the position must be three numbers x, y, z");
        }
        for (const nlohmann::json& v : position)
            xyz.push_back(v.get<double>());
    }
    return xyz;
}

}  // namespace

std::vector<double> markup_points(std::string_view text, const std::string& file, bool json,
                                  std::string* missing_place) {
    const std::string name = specimen_name(file);
    return json ? json_points(std::string(text), file, name, missing_place)
                : fcsv_points(text, file, name, missing_place);
}

bool is_markup_file_name(std::string_view name) {
    return ends_with_ignoring_case(name, ".fcsv") || ends_with_ignoring_case(name, ".mrk.json");
}

LandmarkSample read_markups_folder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (is_markup_file_name(name) && entry.is_regular_file(error))
            files.push_back(name);
    }
    if (error)
        throw Error("cannot read the folder " + in_quotes(folder) + ": " + error.message());
    if (files.empty()) {
        throw Error(in_quotes(folder) +
                    ": it is a folder, and it holds no 3D Slicer markup files (.fcsv or "
                    ".mrk.json)");
    }
    std::sort(files.begin(), files.end());
    Specimens specimens(folder);
    for (const std::string& file : files) {
        const std::string path = join_path(folder, file);
        const std::optional<std::string> text = read_file_bytes(path, true);
        if (!text)
            throw Error(cannot_open_message(path));
        check_text_encoding(*text, file);
        const std::string name = specimen_name(file);
        const std::vector<double> xyz = markup_points(
            *text, file, !ends_with_ignoring_case(file, ".fcsv"), specimens.missing_place());
        if (xyz.empty())
            throw Error(in_quotes(file) + " holds no landmarks");
        specimens.add(name, xyz, in_quotes(file));
    }
    // A folder named with a trailing separator has its name in the part before it.
    std::error_code absolute_error;
    const std::filesystem::path folder_path =
        std::filesystem::absolute(folder, absolute_error).lexically_normal();
    std::string folder_name = folder_path.filename().string();
    if (folder_name.empty())
        folder_name = folder_path.parent_path().filename().string();
    LandmarkSample sample = specimens.finish(LandmarkFormat::Slicer, folder_name);
    for (const std::string& file : files)
        sample.files.push_back(join_path(folder, file));
    return sample;
}

}  // namespace kelmar
