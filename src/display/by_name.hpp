// The drawing functions as the program's function table calls them by name: showshape3D and
// wire3d (calling draw_shapes and draw_wireframe), drawing into the process's graphics model.
#pragma once

#include "platform/graphics/graphics.hpp"
#include "platform/numeric/by_name.hpp"

namespace kelmar {

std::vector<FunctionRow> display_functions(Graphics& g);

}  // namespace kelmar
