// Labelled tables: a header row, then one specimen a row with its name in the first column and
// x1 y1 z1 x2 ... in the others (2D landmarks when the coordinate columns are headed x and y
// alone, in turn: x1 y1 x2 y2 ...); comma, semicolon or tab separated (the header decides). A
// column headed "size" holds the specimen's size and one headed "sample" the specimen's sample, as
// in the coordinates this program exports; another column can be named to hold the samples.
#include "landmark_text.hpp"
#include "platform/numeric/error.hpp"

#include <cmath>

namespace kelmar {

using namespace landmark_text;

namespace {

char separator_of(std::string_view header) {
    if (header.find('\t') != std::string_view::npos)
        return '\t';
    if (header.find(';') != std::string_view::npos)
        return ';';
    return ',';
}

// Whether the coordinate columns are headed x, y, x, y, ... (any letter case, any suffix).
bool headed_as_2d(const std::vector<std::string_view>& columns,
                  const std::vector<std::size_t>& coordinate_columns) {
    if (coordinate_columns.empty() || coordinate_columns.size() % 2 != 0)
        return false;
    for (std::size_t k = 0; k < coordinate_columns.size(); ++k) {
        const std::string_view name = trim(columns[coordinate_columns[k]]);
        const char axis = k % 2 == 0 ? 'x' : 'y';
        if (name.empty() || (name.front() != axis && name.front() != axis - 'a' + 'A'))
            return false;
    }
    return true;
}

}  // namespace

LandmarkSample read_labelled_table(std::string_view text, const std::string& file,
                                   const std::string& group_column) {
    Lines lines(text);
    std::string_view header;
    while (lines.next(header) && trim(header).empty()) {
    }
    if (trim(header).empty())
        throw Error(in_quotes(file) + " holds no specimen");
    const char separator = separator_of(header);
    const std::vector<std::string_view> columns = split_fields(header, separator);
    const std::size_t header_line = lines.number();
    std::optional<std::size_t> size_column;
    std::optional<std::size_t> sample_column;
    std::vector<std::size_t> coordinate_columns;
    const std::string samples_from = group_column.empty() ? "sample" : group_column;
    for (std::size_t j = 1; j < columns.size(); ++j) {
        if (equal_ignoring_case(columns[j], "size")) {
            size_column = j;
        } else if (equal_ignoring_case(columns[j], samples_from)) {
            sample_column = j;
        } else if (!equal_ignoring_case(columns[j], "sample") &&
                   !equal_ignoring_case(columns[j], "estimated")) {
            // The exports' "estimated" column names estimated landmarks; it holds no coordinate.
            coordinate_columns.push_back(j);
        }
    }
    if (!group_column.empty() && !sample_column) {
        // A column of that name with another role is named as such, not as missing.
        std::string role = "names no column " + in_quotes(group_column);
        if (!columns.empty() && equal_ignoring_case(columns[0], group_column)) {
            role = "has " + in_quotes(group_column) +
                   " as its first column, which holds the specimens' names";
        } else if (equal_ignoring_case(group_column, "size") && size_column) {
            role = "has " + in_quotes(group_column) + " as the column of the specimens' sizes";
        }
        throw Error(where(file, header_line) + ": the header " + role +
                    ", so it cannot take the samples from it");
    }
    const std::size_t d = headed_as_2d(columns, coordinate_columns) ? 2 : 3;
    if (coordinate_columns.empty() || coordinate_columns.size() % d != 0) {
        throw Error(where(file, header_line) + ": the header names " +
                    std::to_string(coordinate_columns.size()) +
                    " coordinate columns after the names, but 3D landmarks take three each "
                    "(x1 y1 z1 x2 ...) and 2D landmarks two (x1 y1 x2 ...)");
    }
    Specimens specimens(file, 0, d);
    std::vector<std::string> groups;
    std::vector<double> xyz(coordinate_columns.size());
    std::string_view line;
    while (lines.next(line)) {
        if (trim(line).empty())
            continue;
        const std::vector<std::string_view> fields = split_fields(line, separator);
        const std::string name = fields.front().empty() ? std::to_string(specimens.count() + 1)
                                                        : field_text(fields.front());
        const Place place{file, lines.number(), name};
        if (fields.size() != columns.size()) {
            throw Error(place.text() + ": the row holds " + std::to_string(fields.size()) +
                        " fields, but the header names " + std::to_string(columns.size()));
        }
        for (std::size_t k = 0; k < coordinate_columns.size(); ++k)
            xyz[k] = coordinate(fields[coordinate_columns[k]], place, "a landmark",
                                specimens.missing_place());
        std::optional<double> size;
        if (size_column) {
            size = coordinate(fields[*size_column], place, "the size");
            if (!(*size > 0))
                throw Error(place.text() + ": the size " + in_quotes(fields[*size_column]) +
                            " must be greater than 0");
        }
        if (sample_column) {
            const std::string_view group = fields[*sample_column];
            if (group.empty()) {
                throw Error(place.text() + ": the sample column " +
                            in_quotes(columns[*sample_column]) + " is empty");
            }
            groups.push_back(field_text(group));
        }
        specimens.add(name, xyz, where(file, lines.number()), size);
    }
    LandmarkSample sample = specimens.finish(LandmarkFormat::Labelled, "");
    sample.groups = std::move(groups);
    return sample;
}

}  // namespace kelmar
