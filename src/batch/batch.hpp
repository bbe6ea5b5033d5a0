// kelmar6-batch: the whole analysis from the command line, on a fresh session, with the steps a
// desktop session runs (load sample 1, the wirelist, sample 2, then the angle between the samples
// or to isometry, then the report), so its report is the desktop program's report.
// Exit status: 0 success, 2 usage error, 1 data or analysis error (message on standard error).
#pragma once

#include <ostream>

namespace kelmar {

int run_batch(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
              bool progress_allowed);

}  // namespace kelmar
