// Where kelmar6-batch writes: "-" for standard output, and the check, made before any work, that
// no output would replace an input or another output.
#pragma once

#include "options.hpp"

#include <string>
#include <vector>

namespace kelmar {

bool is_standard_output(const std::string& path);

// A file the analysis reads, and what it is to the user ("sample 2", "--wirelist").
struct InputFile {
    std::string what;
    std::string path;
};

// Raises a UsageError naming the options when an output names an input (however spelt, through
// a link too) or two outputs name one file. The inputs are the paths given, and `read`, the
// files the samples were read from (a folder's markup files, say).
void check_outputs(const BatchOptions& o, const std::vector<InputFile>& read = {});

}  // namespace kelmar
