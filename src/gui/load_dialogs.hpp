// Files chosen by the user and read: choose_table and choose_text_table let the user choose a file
// in the open-file dialog (title "Enter file to Load?", filter "*.*" or "*.txt") and read it with
// read_table_file; choose_landmark_sample reads a landmark sample in any format. The dialogs
// remember the chosen file's folder for the next dialog; the working folder does not change.
#pragma once

#include "landmarks/landmark_file.hpp"
#include "platform/graphics/dialogs.hpp"

#include <Eigen/Core>
#include <optional>
#include <string>

namespace kelmar {

struct ChosenTable {
    std::optional<Eigen::MatrixXd> data;  // nothing when the chosen file could not be opened
    std::string name;                     // the file's name without its folder
    std::string folder;                   // its folder, ending with the path separator
};

// Nothing when the user cancelled; errors of read_table_file propagate.
std::optional<ChosenTable> choose_table(Dialogs& dialogs);
std::optional<ChosenTable> choose_text_table(Dialogs& dialogs);

// The open-file dialog's filter for landmark samples: all of them, one entry per format (plain
// tables twice: as 3D and as 2D landmarks), then all files.
extern const char* const kLandmarkFileFilter;
// The entry that reads a plain table's landmarks as 2D.
extern const char* const kTable2dFilter;

// A landmark sample chosen in the open-file dialog (title "Enter file to Load?", filter
// kLandmarkFileFilter) and read in the format its name or content shows; a Slicer markup file
// brings its whole folder. A file that records several samples is refused: the window loads one
// sample a file. Nothing when the user cancelled.
std::optional<LandmarkSample> choose_landmark_sample(Dialogs& dialogs);

}  // namespace kelmar
