// Plotting into axes: the current axes of the current figure, 3D line plots in a PlotStyle
// (parsed once from texts such as "ro", "k-", "gp", "b--"), hold, the axis modes "auto",
// "equal" and "off", the 3D view, and automatic limits (the data's range widened to round tick
// values).
#pragma once

#include "graphics.hpp"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

// How a line object is drawn: its colour, a marker at every point or none, and the line joining
// the points or none.

enum class Marker {
    none,
    circle,
    plus,
    asterisk,
    point,
    cross,
    square,
    diamond,
    triangle_up,
    triangle_down,
    triangle_left,
    triangle_right,
    pentagram,
    hexagram,
};
enum class LineStyle { none, solid, dashed, dotted, dash_dot };
struct PlotStyle {
    std::array<double, 3> color{0, 0, 1};
    Marker marker = Marker::none;
    LineStyle line = LineStyle::solid;
};

// The colours of the style letters r g b c m y k w.
namespace colors {
constexpr std::array<double, 3> red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1}, cyan{0, 1, 1},
    magenta{1, 0, 1}, yellow{1, 1, 0}, black{0, 0, 0}, white{1, 1, 1};
}

// A style as the figure file and the by-name calls write it: an optional colour letter
// (r g b c m y k w), marker (o + * . x s d ^ v < > p h) and line style (- -- : -.), in any
// order. A marker without a line style draws unconnected markers; neither draws a solid line;
// the colour defaults to blue. Raises an Error naming `style` and what is wrong in it.
PlotStyle parse_plot_style(std::string_view style);

// The line properties' texts: the marker's letter or "none"; "-", "--", ":", "-." or "none".
std::string marker_text(Marker marker);
std::string line_style_text(LineStyle line);

// The current axes of the current figure; a figure and axes are created when missing.
Handle current_axes(Graphics& g);

// One line object of the points (x[i], y[i], z[i]) in the current axes, drawn as `style` says.
// Without hold the axes' earlier lines are removed first and the view and modes start afresh.
Handle add_line(Graphics& g, std::span<const double> x, std::span<const double> y,
                std::span<const double> z, const PlotStyle& style);

void set_hold(Graphics& g, Handle axes, bool on);
bool hold_is_on(const Graphics& g, Handle axes);

// "auto": limits follow the data; "equal": equal data units on all three axes; "off": the axes'
// box, ticks and labels are hidden (the lines stay); "on": shown again. Raises an Error for
// another mode.
void axis_mode(Graphics& g, Handle axes, std::string_view mode);

// The axes takes its figure's whole inside: a 3D drawing whose renderer keeps the room its tick
// labels, axis labels, title and legend need within the axes.
void fill_figure(Graphics& g, Handle axes);

// Azimuth and elevation in degrees; elevation is kept within [-90, 90].
void set_view(Graphics& g, Handle axes, double azimuth, double elevation);

// Recomputes the limits of the axes whose limit mode is "auto" from the data of its lines.
void update_automatic_limits(Graphics& g, Handle axes);

// A round step for about five ticks over [low, high], and the ticks it gives within them.
double tick_step(double low, double high);
std::vector<double> tick_values(double low, double high);

// [low, high] widened outward to multiples of the tick step; a range of zero width is opened
// around its value.
std::array<double, 2> round_limits(double low, double high);

}  // namespace kelmar
