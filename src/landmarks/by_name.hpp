// The landmark functions as the program's function table calls them by name: dload, vertxy3D,
// x1y1z1 and xyzfromvert3 (calling read_table_file, stack_from_dataset, dataset_row and
// dataset_from_stack). The file dialogs' mfload and mfloadtxt are the window's (gui/).
#pragma once

#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> landmark_functions();

}  // namespace kelmar
