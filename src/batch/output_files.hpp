// Where kelmar6-batch writes: "-" for standard output, and the check, made before any work, that
// no output would replace an input or another output.
#pragma once

#include "options.hpp"

#include <string>

namespace kelmar {

bool is_standard_output(const std::string& path);

// Raises a UsageError naming the options when an output names an input (however spelt, through
// a link too) or two outputs name one file.
void check_outputs(const BatchOptions& o);

}  // namespace kelmar
