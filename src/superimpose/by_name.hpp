// The superimposition functions as the program's function table calls them by name:
// getpproc3, getpprocon3, pcaref3d, rotate3da, centsize3Da, partialprocrustes3a and svdrot2.
#pragma once

#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> superimposition_functions();

}  // namespace kelmar
