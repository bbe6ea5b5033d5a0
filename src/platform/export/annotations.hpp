// The words around an axes: a 2D axes' frame with its ticks and tick labels, the axis labels
// (XLabel, YLabel, ZLabel), the Title, and the legend (Legend "on"), which lists every line that
// has a DisplayName once, with its line, marker or fill.
#pragma once

#include "painter.hpp"
#include "platform/graphics/graphics.hpp"
#include "renderer.hpp"

#include <string>

namespace kelmar::render {

// The frame of a 2D axes, its ticks on the left and bottom with labels, and its axis labels.
void draw_flat_frame(const Graphics& g, Handle axes, const Projection& project, Painter& painter);
// A 3D axis label beside the ticked edge from `a` to `b`, beyond its tick labels, on the side
// away from the box's `centre`.
void draw_edge_label(const std::string& text, PagePoint a, PagePoint b, PagePoint centre,
                     Painter& painter);
void draw_title(const Graphics& g, Handle axes, const PageRect& area, Painter& painter);
void draw_legend(const Graphics& g, Handle axes, const Projection& project, Painter& painter);
// The width a 3D axes keeps free on its right for its legend (0 without one).
double legend_room(const Graphics& g, Handle axes);

}  // namespace kelmar::render
