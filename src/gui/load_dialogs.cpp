#include "load_dialogs.hpp"

#include "landmarks/table_file.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"

namespace kelmar {
namespace {

std::optional<ChosenTable> choose_and_load(Dialogs& dialogs, std::string_view filter) {
    const std::optional<FileChoice> choice = dialogs.open_file(filter, "Enter file to Load?");
    if (!choice) {
        return std::nullopt;
    }
    ChosenTable table;
    table.data = read_table_file(join_path(choice->folder, choice->name));
    table.name = choice->name;
    table.folder = choice->folder;
    return table;
}

}  // namespace

std::optional<ChosenTable> choose_table(Dialogs& dialogs) {
    return choose_and_load(dialogs, "*.*");
}

std::optional<ChosenTable> choose_text_table(Dialogs& dialogs) {
    return choose_and_load(dialogs, "*.txt");
}

// The first entry, chosen when the dialog opens, shows every format, so that a name typed in full
// is taken whatever its format.
const char* const kTable2dFilter = "Landmark tables, 2D";
const char* const kLandmarkFileFilter =
    "Landmark files (*.txt *.csv *.tsv *.dat *.tps *.fcsv *.mrk.json);;"
    "Landmark tables (*.txt *.dat);;Landmark tables, 2D (*.txt *.dat);;TPS files (*.tps);;"
    "Morphologika files (*.txt);;"
    "3D Slicer markups (*.fcsv *.mrk.json);;Labelled tables (*.csv *.tsv *.txt);;All files (*)";

std::optional<LandmarkSample> choose_landmark_sample(Dialogs& dialogs) {
    const std::optional<FileChoice> choice =
        dialogs.open_file(kLandmarkFileFilter, "Enter file to Load?");
    if (!choice)
        return std::nullopt;
    // A plain table's columns cannot tell 2D from 3D landmarks: its own filter entry says 2D.
    const int table_dimensions = choice->filter.starts_with(kTable2dFilter) ? 2 : 3;
    LandmarkSample sample = read_landmark_sample(join_path(choice->folder, choice->name),
                                                 std::nullopt, {}, table_dimensions);
    if (const std::size_t samples = recorded_sample_count(sample); samples > 1) {
        // Pooling them as one sample would mix different growth; the window loads one sample a
        // file.
        throw Error(in_quotes(choice->name) + " holds " + std::to_string(samples) +
                    " samples (each specimen's sample is recorded); the window loads one sample "
                    "from each file: compare them with kelmar6-batch, which reads such a file as "
                    "its samples");
    }
    return sample;
}

}  // namespace kelmar
