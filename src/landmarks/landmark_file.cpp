#include "landmark_file.hpp"

#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/format.hpp"
#include "platform/numeric/paths.hpp"
#include "table_file.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>

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
        // Any of its section headers: a file that lacks [individuals] is still Morphologika, and
        // its reader then says what is missing.
        for (const char* section :
             {"[individuals]", "[landmarks]", "[dimensions]", "[rawpoints]"}) {
            if (equal_ignoring_case(line, section))
                return true;
        }
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

// Whether a line of the text starts with TPS's LM3= or LM= keyword.
bool looks_like_tps(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = trim(text.substr(at, end - at));
        if (line.size() >= 4 && (equal_ignoring_case(line.substr(0, 4), "LM3=") ||
                                 equal_ignoring_case(line.substr(0, 3), "LM=")))
            return true;
        at = end + 1;
    }
    return false;
}

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

namespace {

// A plain table's last column is the size the user gave: it cannot be estimated.
void refuse_missing_sizes(const Eigen::MatrixXd& data, const std::string& name) {
    for (Eigen::Index i = 0; i < data.rows(); ++i) {
        if (std::isnan(data(i, data.cols() - 1))) {
            throw Error(in_quotes(name) + ", specimen " + std::to_string(i + 1) +
                        ": the size (the last column) is missing; sizes given in a table are "
                        "never estimated");
        }
    }
}

}  // namespace

LandmarkSample read_landmark_sample(const std::string& path, std::optional<LandmarkFormat> format,
                                    const std::string& group_column, int table_dimensions) {
    const std::string name = file_name_of(path);
    const std::optional<LandmarkFormat> known = format ? format : format_by_path(path);
    if (!group_column.empty() && known && known != LandmarkFormat::Labelled) {
        throw Error(in_quotes(path) + ": a group column (" + in_quotes(group_column) +
                    ") is read from labelled tables only");
    }
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
        std::optional<std::string> text = read_file_bytes(path, true);
        if (!text)
            throw Error(cannot_open_message(path));
        check_text_encoding(*text, name);
        const LandmarkFormat found = known ? *known : detect_landmark_format(path, *text);
        if (!group_column.empty() && found != LandmarkFormat::Labelled) {
            throw Error(in_quotes(path) + ": a group column (" + in_quotes(group_column) +
                        ") is read from labelled tables only, and this file is not one");
        }
        switch (found) {
            case LandmarkFormat::Morphologika:
                sample = read_morphologika(*text, name);
                break;
            case LandmarkFormat::Labelled:
                sample = read_labelled_table(*text, name, group_column);
                break;
            default:
                try {
                    sample.data = table_from_text(*text, name, &sample.first_missing);
                    refuse_missing_sizes(sample.data, name);
                } catch (const Error& e) {
                    // A TPS file under another name fails as a table at its first keyword.
                    if (!looks_like_tps(*text))
                        throw;
                    throw Error(std::string(e.what()) +
                                "; the file looks like TPS (it has LM3= lines): name it .tps, "
                                "or give kelmar6-batch --format tps");
                }
                sample.format = LandmarkFormat::Table;
                sample.dimensions = table_dimensions;
        }
    }
    sample.name = name;
    sample.files = {path};
    return sample;
}

namespace {

// The distinct recorded samples, in order of first appearance.
std::vector<std::string> distinct_groups(const LandmarkSample& sample) {
    std::vector<std::string> seen;
    for (const std::string& g : sample.groups) {
        if (std::find(seen.begin(), seen.end(), g) == seen.end())
            seen.push_back(g);
    }
    return seen;
}

}  // namespace

std::size_t recorded_sample_count(const LandmarkSample& sample) {
    return std::max<std::size_t>(1, distinct_groups(sample).size());
}

std::vector<LandmarkSample> samples_by_group(LandmarkSample sample) {
    const std::vector<std::string> groups = distinct_groups(sample);
    if (groups.size() < 2)
        return {std::move(sample)};
    std::vector<LandmarkSample> out;
    for (const std::string& group : groups) {
        LandmarkSample part;
        std::vector<Eigen::Index> rows;
        for (std::size_t i = 0; i < sample.groups.size(); ++i) {
            if (sample.groups[i] == group)
                rows.push_back(static_cast<Eigen::Index>(i));
        }
        part.data.resize(static_cast<Eigen::Index>(rows.size()), sample.data.cols());
        for (std::size_t t = 0; t < rows.size(); ++t) {
            part.data.row(static_cast<Eigen::Index>(t)) = sample.data.row(rows[t]);
            if (!sample.names.empty())
                part.names.push_back(sample.names[static_cast<std::size_t>(rows[t])]);
            part.groups.push_back(group);
        }
        part.wirelist = sample.wirelist;
        // Control bytes of a recorded name are shown escaped, never sent to a terminal.
        part.name = sample.name + " (sample " + printable(group) + ")";
        part.format = sample.format;
        part.dimensions = sample.dimensions;
        part.files = sample.files;
        out.push_back(std::move(part));
    }
    return out;
}

MissingCount count_missing(const LandmarkSample& sample) {
    MissingCount count;
    const int d = sample.dimensions;
    const Eigen::Index p = (sample.data.cols() - 1) / d;
    for (Eigen::Index i = 0; i < sample.data.rows(); ++i) {
        Eigen::Index in_specimen = 0;
        for (Eigen::Index l = 0; l < p; ++l)
            in_specimen += sample.data.row(i).segment(d * l, d).hasNaN() ? 1 : 0;
        count.landmarks += in_specimen;
        count.specimens += in_specimen > 0 ? 1 : 0;
    }
    return count;
}

void mark_missing_value(LandmarkSample& sample, double value) {
    const int d = sample.dimensions;
    const Eigen::Index size = sample.data.cols() - 1;
    for (Eigen::Index i = 0; i < sample.data.rows(); ++i) {
        bool marked = false;
        for (Eigen::Index l = 0; l < size / d; ++l) {
            auto point = sample.data.row(i).segment(d * l, d);
            if ((point.array() == value).any()) {
                if (sample.first_missing.empty()) {
                    sample.first_missing =
                        in_quotes(sample.name) + ", specimen " +
                        (static_cast<std::size_t>(i) < sample.names.size()
                             ? in_quotes(sample.names[static_cast<std::size_t>(i)])
                             : std::to_string(i + 1)) +
                        ", landmark " + std::to_string(l + 1) + ": a landmark is missing (" +
                        shortest_text(value) + ")";
                }
                point.setConstant(std::numeric_limits<double>::quiet_NaN());
                marked = true;
            }
        }
        if (marked && static_cast<std::size_t>(i) < sample.size_computed.size() &&
            sample.size_computed[static_cast<std::size_t>(i)])
            sample.data(i, size) = std::numeric_limits<double>::quiet_NaN();
    }
}

}  // namespace kelmar
