// The one renderer of figures: every visible axes of a figure drawn onto a Painter, a 3D axes with
// an orthographic projection (azimuth and elevation as in the axes' View), equal data units kept
// equal on the page when the axes ask for them, the box, tick marks and tick labels on three
// edges; a 2D axes (AxesKind "2d") as a plain frame with ticks on its left and bottom; both with
// their axis labels, title and legend, and the axes' lines with their markers, fills and end
// markers. The Qt axes widget and every export format draw through it, so what is saved is what
// the window shows.
#pragma once

#include "painter.hpp"
#include "platform/graphics/graphics.hpp"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace kelmar {

// Page pixels from the top-left corner.
struct PageRect {
    double left = 0, top = 0, width = 0, height = 0;
};

// Where an axes' legend stands and what it shows: beside the plot on the right, below it, or
// inside it in the corner that covers the least; the entries' names shortened in the middle to
// fit, in one column or, below a plot, in as many as fit across.
struct LegendLayout {
    enum class Place { none, right, below, inside };
    Place place = Place::none;
    std::vector<std::pair<std::string, Handle>> entries;  // the names as drawn, and their lines
    std::size_t columns = 1;
    double entry_width = 0;
    double width = 0, height = 0;  // the legend's box
    double left = 0, top = 0;      // its top-left corner
};

// Data coordinates to page points for one axes drawn into one rectangle.
class Projection {
  public:
    Projection(const Graphics& g, Handle axes, PageRect area);
    PagePoint operator()(double x, double y, double z) const;
    // The corner of the axes' box that `ix`, `iy`, `iz` (0 low limit, 1 high) select.
    PagePoint corner(int ix, int iy, int iz) const;
    const std::array<std::array<double, 2>, 3>& limits() const { return limits_; }
    // A 2D axes: x to the right and y up, each filling the plot rectangle.
    bool flat() const { return flat_; }
    // The rectangle the data fill on the page: a 2D axes' frame, a 3D axes' whole area.
    const PageRect& plot_rect() const { return plot_; }
    const LegendLayout& legend() const { return legend_; }

  private:
    // Narrows the flat frame, centred, to one scale for x and y.
    void keep_equal_units();
    bool flat_ = false;
    PageRect plot_;
    LegendLayout legend_;
    std::array<std::array<double, 2>, 3> limits_;
    std::array<double, 3> scale_;   // data unit to box unit, per axis
    std::array<double, 3> centre_;  // the box's centre in data units
    double right_[3];               // page x per box unit along x, y, z
    double up_[3];                  // page height per box unit
    double zoom_ = 1, page_x_ = 0, page_y_ = 0;
};

// The figure's page: its inside size in pixels, as the window shows it.
PageRect figure_page(const Graphics& g, Handle figure);

void render_figure(const Graphics& g, Handle figure, Painter& painter);
void render_axes(const Graphics& g, Handle axes, Painter& painter, PageRect area);

// The rectangle an axes takes on its figure's page.
PageRect axes_area(const Graphics& g, Handle axes);

}  // namespace kelmar
