// What the renderer's parts share: the sizes and colour of the axes' marks, the reading of
// colours, dashes and limits from the model, and the marker shapes, so that a legend draws a
// line's marker exactly as the line does.
#pragma once

#include "painter.hpp"
#include "platform/graphics/graphics.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kelmar::render {

constexpr double kPi = 3.141592653589793;
constexpr double kPixelsPerPoint = 96.0 / 72.0;  // line widths and marker sizes are in points
constexpr double kLabelSize = 11.0;              // tick label height in pixels
constexpr double kTickLength = 5.0;
constexpr Rgb kBoxColor{0.15, 0.15, 0.15};

// The colour a property holds, or `fallback` when it holds none.
Rgb rgb_of(const Value& v, Rgb fallback);
Dash dash_of(const std::string& style);
// An axes' limits of one axis, or [0, 1] when they are not two increasing finite numbers.
std::array<double, 2> limits_of(const Graphics& g, Handle axes, const char* name);
// The width a label of `characters` characters takes at `size` pixels, as the renderer reckons
// it (digits and letters of a sans-serif face are some 0.62 of the size wide).
double label_width(std::size_t characters, double size);

// The labels of ticks a `step` apart: as many decimals as the step has (so 0.6 never shows as
// 0.6000000000000001), or, for values of 10^6 and more or steps below 10^-4, scientific notation
// with the digits the step needs (so 1e300 is "1e+300", never 301 digits).
std::vector<std::string> tick_labels(const std::vector<double>& ticks, double step);

// The unit direction from `centre` towards `middle` (down the page when they coincide): where a
// box edge's ticks and labels point.
PagePoint outward(PagePoint middle, PagePoint centre);

// Every marker shape as the primitives that draw it, made once per line.
class MarkerShape {
  public:
    MarkerShape(char marker, double size);
    void draw(Painter& painter, PagePoint at, const Pen& pen, std::optional<Rgb> fill) const;

  private:
    void cross(Painter& painter, PagePoint at, const Pen& pen) const;

    char marker_;
    double r_;
    std::vector<PagePoint> outline_;
    mutable std::vector<PagePoint> shifted_;
};

// How a line draws its markers: the pen, the fill (none, the line's colour, or its own) and the
// shape, from the line's properties; nothing when it has no marker.
struct LineMarker {
    MarkerShape shape;
    Pen pen;
    std::optional<Rgb> fill;
};
std::optional<LineMarker> line_marker(const Graphics& g, Handle line);

}  // namespace kelmar::render
