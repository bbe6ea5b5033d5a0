// The window functions as the program's function table calls them by name: guidata,
// guihandles, openfig, isvarname, movegui and iskeyword, with the subfunctions guidata,
// guihandles and movegui have in their local tables, on the process's graphics model; and the
// file dialogs mfload and mfloadtxt (calling choose_table and choose_text_table) on the dialogs
// `dialogs` returns.
#pragma once

#include "platform/graphics/dialogs.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> gui_functions(Graphics& g);
std::vector<FunctionRow> file_dialog_functions(std::function<Dialogs&()> dialogs);

}  // namespace kelmar
