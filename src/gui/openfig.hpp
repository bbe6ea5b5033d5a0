// openfig: opens a window from a figure file under the policy "new" (always load another copy)
// or "reuse" (return a copy still open, loading only when none is). The windows opened from each
// file are remembered on the root as application data named TOKEN: the file's base name followed
// by "_SINGLETON_handle", cut to 31 characters. The window is then moved on screen and, when
// visible, made current and raised.
#pragma once

#include "platform/graphics/graphics.hpp"

#include <string>

namespace kelmar {

// Raises "Argument must be a .fig file" for another extension and "Second input argument must be
// 'new' or 'reuse'." for another policy; a file that cannot be loaded raises the loader's error.
Handle openfig(Graphics& g, const std::string& filename, const std::string& policy = "new");

// Where openfig also looks for a figure file given without a folder when the working folder
// does not hold it (the installed resources beside the executable).
void set_figure_resource_folder(const std::string& folder);

}  // namespace kelmar
