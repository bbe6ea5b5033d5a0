// The window functions as the program's function table calls them by name: guidata,
// guihandles, openfig, isvarname, movegui and iskeyword, with the subfunctions guidata,
// guihandles and movegui have in their local tables, on the process's graphics model.
#pragma once

#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> gui_functions();

}  // namespace kelmar
