// The small drawing interface every output implements (the Qt axes widget, SVG, PDF, PNG and
// EMF): lines, polygons, ellipses and text on a page measured in pixels from its top-left corner,
// y growing downward. The renderer builds everything it draws from these.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace kelmar {

struct PagePoint {
    double x = 0;
    double y = 0;
};

struct Rgb {
    double r = 0, g = 0, b = 0;  // 0 to 1
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class Dash { Solid, Dashed, Dotted, DashDot };

struct Pen {
    Rgb color;
    double width = 1.0;  // pixels
    Dash dash = Dash::Solid;
};

enum class HAlign { Left, Centre, Right };
enum class VAlign { Top, Baseline, Bottom };

class Painter {
  public:
    virtual ~Painter() = default;
    // Fills the whole page; called first.
    virtual void background(Rgb color) = 0;
    virtual void polyline(std::span<const PagePoint> points, const Pen& pen) = 0;
    // A closed polygon, filled when `fill` is given.
    virtual void polygon(std::span<const PagePoint> points, const Pen& pen,
                         std::optional<Rgb> fill) = 0;
    virtual void ellipse(PagePoint centre, double rx, double ry, const Pen& pen,
                         std::optional<Rgb> fill) = 0;
    // Text of `pixel_size` high characters placed at `anchor` as the alignments say.
    virtual void text(PagePoint anchor, std::string_view utf8, HAlign h, VAlign v, Rgb color,
                      double pixel_size) = 0;
};

}  // namespace kelmar
