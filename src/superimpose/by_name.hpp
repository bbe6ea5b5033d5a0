// The superimposition functions as the program's function table calls them by name: getpproc3,
// getpprocon3, pcaref3d, rotate3da, centsize3Da, partialprocrustes3a and svdrot2 (calling
// gls_reference, fit_onto_reference, principal_axes, rotate_stack, centroid_size,
// partial_procrustes_fit and optimal_rotation).
#pragma once

#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> superimposition_functions();

}  // namespace kelmar
