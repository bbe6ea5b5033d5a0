// movegui: moves a window to a named place on the screen ("north", "south", "east", "west",
// "northeast", "southeast", "northwest", "southwest", "center", matched with case), to a given
// left and bottom (negative values count from the right and top edges), or with "onscreen" just
// enough to be fully visible; a window larger than the screen is shrunk to it. Inputs: up to three
// of a handle of the window or of anything inside it, a position name, a two-element position.
#pragma once

#include "platform/graphics/graphics.hpp"

#include <optional>
#include <vector>

namespace kelmar {

// Raises "handle of figure or descendant required", "unrecognized position" or "unrecognized
// input argument" as its inputs call for.
void movegui(Graphics& g, const std::vector<Value>& inputs);

// The new outer rectangle for a move: a pure function of the window's outer and inner
// rectangles, the screen's size and the position asked for (a name or a left and bottom).
Rect moved_outer_position(const Rect& outer, const Rect& inner, double screen_width,
                          double screen_height, const Value& position);

}  // namespace kelmar
