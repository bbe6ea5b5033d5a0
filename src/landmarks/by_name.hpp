// The landmark functions as the program's function table calls them by name: dload, mfload,
// mfloadtxt, vertxy3D, x1y1z1 and xyzfromvert3 (calling read_table_file, the file dialogs,
// stack_from_dataset, dataset_row and dataset_from_stack). The file dialogs are those `dialogs`
// returns.
#pragma once

#include "platform/graphics/dialogs.hpp"
#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> landmark_functions(std::function<Dialogs&()> dialogs);

}  // namespace kelmar
