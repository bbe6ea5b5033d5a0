// Landmark samples in the formats of the field's common tools, read behind one entry point:
//   table         the plain table (x y z of each landmark, then the size, one specimen a line)
//   tps           TPS files with LM3= blocks (ID=, SCALE=, IMAGE=, COMMENT=, VARIABLES= lines)
//   morphologika  Morphologika files ([individuals], [landmarks], [dimensions], [names],
//                 [rawpoints], [wireframe])
//   slicer        a folder of 3D Slicer markups, one specimen a file (.fcsv or .mrk.json), taken
//                 in file-name order; a markup file stands for its folder
//   labelled      a table with a header row and a first column of specimen names, comma,
//                 semicolon or tab separated
// Every format but the plain table becomes the same dataset: coordinates in file order, then the
// centroid size of the specimen's own coordinates (after SCALE), unless the file records the size
// itself (a labelled table's "size" column, a TPS "VARIABLES=size=..." line), as the coordinates
// this program exports do. A file may also record each specimen's sample (a labelled table's
// "sample" column or another named one, TPS "COMMENT=sample S" lines), so that one file can hold
// several samples. Bad input raises an Error naming the file, the specimen and the line; nothing
// is guessed; missing landmarks are marked (NaN), for the session to refuse or estimate.
#pragma once

#include <Eigen/Core>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

enum class LandmarkFormat { Table, Tps, Morphologika, Slicer, Labelled };

// The format of a name as the batch tool's --format takes it; nothing for an unknown name.
std::optional<LandmarkFormat> landmark_format_named(std::string_view name);
// "table, tps, morphologika, slicer, labelled"
std::string landmark_format_names();

struct LandmarkSample {
    Eigen::MatrixXd data;            // N × (dp + 1)
    std::vector<std::string> names;  // one for each specimen; none for the plain table
    Eigen::MatrixXd wirelist;        // a Morphologika [wireframe] as wirelist rows; else empty
    std::string name;                // the file's name, or the folder's for Slicer markups
    LandmarkFormat format = LandmarkFormat::Table;
    int dimensions = 3;  // of the landmarks: 2 or 3
    // The sample of each specimen when the file records it; else empty.
    std::vector<std::string> groups;
    // Every file the sample was read from: the file itself, or each markup file of a folder.
    std::vector<std::string> files;
    // Where the first landmark marked missing stands ("FILE", line L (specimen S): a landmark is
    // missing (NA)), or empty. Missing landmarks are NaN coordinates, and the sizes computed from
    // the coordinates of their specimens are NaN until they are estimated.
    std::string first_missing;
    // Whether each specimen's size was computed from its coordinates (rather than recorded in
    // the file); empty for a plain table, whose sizes are all given.
    std::vector<bool> size_computed;
};

// The landmarks of `sample` that are missing, and the specimens they belong to.
struct MissingCount {
    Eigen::Index landmarks = 0;
    Eigen::Index specimens = 0;
};
MissingCount count_missing(const LandmarkSample& sample);

// Marks as missing every landmark one of whose coordinates equals `value` (a file's code for a
// missing point, such as -999), as the readers mark NA: its coordinates NaN, its specimen's
// computed size NaN. A size the file records is kept.
void mark_missing_value(LandmarkSample& sample, double value);

// The format of `path` by its extension, or by its content for other names: "[individuals]"
// means Morphologika, a first line of names only a labelled table, anything else the plain
// table. A folder holds Slicer markups.
LandmarkFormat detect_landmark_format(const std::string& path, std::string_view content);

// Reads the sample at `path` in `format`, or in the detected one. A labelled table takes each
// specimen's sample from the column named `group_column` (any letter case), or when none is
// named from a "sample" column if it has one. The columns of a plain table cannot tell 2D from
// 3D landmarks: its landmarks have `table_dimensions` (2 or 3); every other format says its own.
// Raises an Error when the file cannot be opened or read, and when a named group column is
// missing or the file is not a labelled table.
LandmarkSample read_landmark_sample(const std::string& path,
                                    std::optional<LandmarkFormat> format = std::nullopt,
                                    const std::string& group_column = {}, int table_dimensions = 3);

// The samples a file holds: one for each distinct recorded sample, in order of first
// appearance, each named "FILE (sample S)"; the file itself when it records no samples or one.
std::vector<LandmarkSample> samples_by_group(LandmarkSample sample);
// How many distinct samples a file records (1 when it records none).
std::size_t recorded_sample_count(const LandmarkSample& sample);

// Whether `name` is a 3D Slicer markup file name (.fcsv, .mrk.json, any letter case).
bool is_markup_file_name(std::string_view name);

// Readers of text already in memory; `file` is the name used in messages. Landmarks marked
// missing (NA, an empty field, "?", a Slicer point marked missing or undefined) are NaN.
LandmarkSample read_tps(std::string_view text, const std::string& file);
// A TPS file read line by line, never held whole: the fastest way to a large sample.
LandmarkSample read_tps_file(const std::string& path, const std::string& file);
LandmarkSample read_morphologika(std::string_view text, const std::string& file);
LandmarkSample read_labelled_table(std::string_view text, const std::string& file,
                                   const std::string& group_column = {});
LandmarkSample read_markups_folder(const std::string& folder);
// The x y z of every point of one markup file's text (.fcsv, or .mrk.json when `json`). A missing
// point raises an Error, or with `missing_place` is NaN, its message kept there when the first.
std::vector<double> markup_points(std::string_view text, const std::string& file, bool json,
                                  std::string* missing_place = nullptr);

}  // namespace kelmar
