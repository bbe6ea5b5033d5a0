// Where a drawing window goes so that it covers none of the main window's controls: beside the
// main window when the screen has room (right first, then left), else shrunk to the wider free
// side, else shrunk into the room below it. Beside it, further drawings are tiled in the free
// area on that side and cascade a little lower only when no tile is left; below it, each further
// drawing goes a little lower. Rectangles are
// outer frames in screen pixels, measured from the screen's bottom-left corner.
#pragma once

#include "platform/graphics/graphics.hpp"

namespace kelmar {

// `drawing` gives the wanted size; `others` counts the drawings already open.
Rect drawing_place(const Rect& main, const Rect& screen, const Rect& drawing, int others);

}  // namespace kelmar
