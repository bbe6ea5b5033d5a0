#include "landmark_file.hpp"

#include "dload.hpp"
#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"

#include <array>
#include <filesystem>

namespace kelmar {

using namespace landmark_text;

namespace {

constexpr std::array<std::pair<const char*, LandmarkFormat>, 5> kFormats = {{
    {"table", LandmarkFormat::Table},
    {"tps", LandmarkFormat::Tps},
    {"morphologika", LandmarkFormat::Morphologika},
    {"slicer", LandmarkFormat::Slicer},
    {"labelled", LandmarkFormat::Labelled},
}};

bool is_folder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// Whether the first non-blank line holds names only, comma, semicolon or tab separated: a header
// such as "id,x1,y1,z1,...". Text with NUL bytes is left to the plain table, which says what it
// is.
bool starts_with_header(std::string_view content) {
    if (content.find('\0') != std::string_view::npos)
        return false;
    Lines lines(content);
    std::string_view line;
    while (lines.next(line)) {
        line = trim(line);
        if (line.empty())
            continue;
        const char separator = line.find('\t') != std::string_view::npos  ? '\t'
                               : line.find(';') != std::string_view::npos ? ';'
                                                                          : ',';
        if (line.find(separator) == std::string_view::npos)
            return false;
        const std::vector<std::string_view> fields = split_fields(line, separator);
        if (fields.size() < 4)
            return false;
        for (std::string_view f : fields) {
            if (f.empty() || number_in(f) || marks_missing(f))
                return false;
        }
        return true;
    }
    return false;
}

bool is_morphologika(std::string_view content) {
    Lines lines(content);
    std::string_view line;
    while (lines.next(line)) {
        line = trim(line);
        if (equal_ignoring_case(line, "[individuals]"))
            return true;
    }
    return false;
}

}  // namespace

std::optional<LandmarkFormat> landmark_format_named(std::string_view name) {
    for (const auto& [known, format] : kFormats) {
        if (name == known)
            return format;
    }
    return std::nullopt;
}

std::string landmark_format_names() {
    std::string names;
    for (const auto& [known, format] : kFormats)
        names += (names.empty() ? "" : ", ") + std::string(known);
    return names;
}

namespace {

// The format the path itself tells: a folder or a markup file (Slicer markups), a .tps name.
std::optional<LandmarkFormat> format_by_path(const std::string& path) {
    if (is_folder(path) || is_markup_file_name(file_name_of(path)))
        return LandmarkFormat::Slicer;
    if (equal_ignoring_case(split_path(path).extension, ".tps"))
        return LandmarkFormat::Tps;
    return std::nullopt;
}

}  // namespace

LandmarkFormat detect_landmark_format(const std::string& path, std::string_view content) {
    if (const std::optional<LandmarkFormat> by_path = format_by_path(path))
        return *by_path;
    if (is_morphologika(content))
        return LandmarkFormat::Morphologika;
    if (starts_with_header(content))
        return LandmarkFormat::Labelled;
    return LandmarkFormat::Table;
}

LandmarkSample read_landmark_sample(const std::string& path, std::optional<LandmarkFormat> format) {
    const std::string name = file_name_of(path);
    const std::optional<LandmarkFormat> known = format ? format : format_by_path(path);
    if (known == LandmarkFormat::Slicer) {
        if (is_folder(path))
            return read_markups_folder(path);
        if (!is_markup_file_name(name)) {
            throw Error(in_quotes(path) +
                        ": Slicer markups are read from a folder of .fcsv or .mrk.json files, or "
                        "from one such file standing for its folder");
        }
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            throw Error(cannot_open_message(path));
        // A markup file stands for the folder that holds it, with its other specimens.
        const std::string folder = split_path(path).folder;
        return read_markups_folder(folder.empty() ? "." : folder);
    }
    LandmarkSample sample;
    if (known == LandmarkFormat::Tps) {
        sample = read_tps_file(path, name);  // line by line: never held whole
    } else {
        std::optional<std::string> text = read_file_bytes(path);
        if (!text)
            throw Error(cannot_open_message(path));
        switch (known ? *known : detect_landmark_format(path, *text)) {
            case LandmarkFormat::Morphologika:
                sample = read_morphologika(*text, name);
                break;
            case LandmarkFormat::Labelled:
                sample = read_labelled_table(*text, name);
                break;
            default:
                sample.data = table_from_text(*text, name);
                sample.format = LandmarkFormat::Table;
        }
    }
    sample.name = name;
    return sample;
}

}  // namespace kelmar
