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
// The lines of the axes' title (lines of its text, each shortened to the axes' width when drawn).
std::size_t title_line_count(const Graphics& g, Handle axes);

// The legend of a 3D axes drawn into `area`, its box `aspect` times as wide as high and kept
// `margin` pixels from the area's edges: beside the box or below it, where the box keeps 60 % of
// the width or the height and is drawn the larger (names shortened in the middle to fit), else
// inside; `area` is narrowed to what the box may fill.
LegendLayout plan_box_legend(const Graphics& g, Handle axes, PageRect& area, double aspect,
                             double margin);
// The legend of a 2D axes drawn by `project` into `area` with its frame at `plot`: in the first
// corner inside the frame that covers no line, else outside on the right or below when the frame
// keeps 60 % there (`plot` is narrowed), else in the corner that covers least.
LegendLayout plan_flat_legend(const Graphics& g, Handle axes, const Projection& project,
                              const PageRect& area, PageRect& plot);
void draw_legend(const Graphics& g, Handle axes, const Projection& project, Painter& painter);
// Every line's Label, beside the line's last point in the line's colour, kept in the frame and
// clear of the other labels.
void draw_line_labels(const Graphics& g, Handle axes, const Projection& project, Painter& painter);

}  // namespace kelmar::render
