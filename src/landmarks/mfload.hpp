// mfload and mfloadtxt: let the user choose a file in the open-file dialog (title "Enter file to
// Load?", filter "*.*" or "*.txt"), read it with read_table_file, and make the chosen file's folder
// the working folder. A cancelled dialog reads nothing and leaves the working folder as it was.
#pragma once

#include "landmark_file.hpp"
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

// Nothing when the user cancelled. Errors of read_table_file propagate before the folder changes.
std::optional<ChosenTable> mfload(Dialogs& dialogs);
std::optional<ChosenTable> mfloadtxt(Dialogs& dialogs);

// The open-file dialog's filter for landmark samples: all of them, one entry per format, then
// all files.
extern const char* const kLandmarkFileFilter;

// A landmark sample chosen in the open-file dialog (title "Enter file to Load?", filter
// kLandmarkFileFilter) and read in the format its name or content shows; a Slicer markup file
// brings its whole folder. The chosen file's folder becomes the working folder once the sample is
// read. Nothing when the user cancelled.
std::optional<LandmarkSample> mfload_sample(Dialogs& dialogs);

}  // namespace kelmar
