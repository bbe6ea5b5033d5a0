// A loaded sample: its file, its specimens' names, the coordinates as read with their sizes, the
// same specimens superimposed, and the frame the analysis reads them in. The session holds its
// samples in a list (the window's sample 1 and sample 2 are the first two) and alone changes
// them; everyone else reads them.
#pragma once

#include "landmarks/landmark_file.hpp"
#include "platform/numeric/stack.hpp"
#include "superimpose/missing_landmarks.hpp"

#include <Eigen/Core>
#include <string>
#include <vector>

namespace kelmar {

// Where the coordinates the analysis reads come from.
enum class Frame {
    as_read,           // the coordinates as read, not superimposed (further samples compared
                       // with isometry alone)
    own_reference,     // the coordinates as read; superimposed on the sample's own reference
                       // for drawing
    common_reference,  // fitted onto the common reference of all loaded samples
};

struct Sample {
    std::string file;  // the file's name, without its folder
    LandmarkFormat format = LandmarkFormat::Table;
    std::vector<std::string> specimen_names;  // one for each specimen, in table order
    Eigen::MatrixXd as_read;                  // N × C: x y (z) of each landmark, then the size
    int dimensions = 3;                       // of the landmarks: 2 or 3
    Eigen::MatrixXd wireframe;  // the file's own wirelist rows (Morphologika), else empty
    // The landmarks the file lacked, estimated by the thin-plate spline (in row order; empty when
    // the file was complete).
    std::vector<EstimatedLandmark> estimated;
    // The sample's own GLS reference (p × 3), turned to its principal axes, and its specimens
    // fitted onto it and turned alike (both empty when not superimposed).
    Eigen::MatrixXd reference;  // p × d
    Stack own_reference;
    // The specimens fitted onto the common reference, as a stack and as a dataset keeping each
    // specimen's size (both empty when the sample is not on one).
    Stack common_reference;
    Eigen::MatrixXd on_common_reference;

    bool loaded() const { return as_read.size() > 0; }
    Frame frame() const;
    Eigen::Index specimens() const { return as_read.rows(); }
    Eigen::Index landmarks() const;
    // N × C, the dataset the analysis reads: fitted onto the common reference, else as read.
    const Eigen::MatrixXd& analysed() const;
    // The specimens as drawn: on the common reference, else on the sample's own.
    const Stack& superimposed() const;
    // Back to its own frame: the common reference it was fitted onto is gone.
    void leave_common_reference();
};

// What a landmark file may bring beside its dataset.
struct SampleExtras {
    std::vector<std::string> names;  // one for each specimen; empty: numbered 1, 2, ...
    Eigen::MatrixXd wireframe;       // wirelist rows, used when no wirelist is loaded yet
    LandmarkFormat format = LandmarkFormat::Table;
    int dimensions = 3;  // of the landmarks: 2 or 3
    // Landmarks the file lacks (NaN coordinates) are estimated by the thin-plate spline; without
    // it a sample with missing landmarks is refused.
    bool estimate_missing = false;
};

// A sample given to a load.
struct SampleInput {
    Eigen::MatrixXd table;
    std::string name;  // the file's name, as the report and the window show it
    SampleExtras extras;
};

}  // namespace kelmar
