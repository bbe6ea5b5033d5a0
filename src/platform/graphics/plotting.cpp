#include "plotting.hpp"

#include "platform/numeric/error.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelmar {
namespace {

constexpr const char* kExtent = "kelmar.data_extent";  // low x, high x, low y, ... of the lines

struct ColorLetter {
    char letter;
    std::array<double, 3> rgb;
};

constexpr ColorLetter kColors[] = {
    {'r', colors::red},     {'g', colors::green},  {'b', colors::blue},  {'c', colors::cyan},
    {'m', colors::magenta}, {'y', colors::yellow}, {'k', colors::black}, {'w', colors::white}};
// The markers' letters, in the order of Marker after none.
constexpr std::string_view kMarkers = "o+*.xsd^v<>ph";
// The line styles' texts, in the order of LineStyle.
constexpr const char* kLineStyles[] = {"none", "-", "--", ":", "-."};

[[noreturn]] void bad_style(std::string_view style, const std::string& why) {
    throw Error("bad plot style " + in_quotes(style) + ": " + why);
}

Value row3(const std::array<double, 3>& v) {
    return Value::row({v[0], v[1], v[2]});
}

}  // namespace

void add_to_automatic_limits(Graphics& g, Handle axes, std::span<const double> x,
                             std::span<const double> y, std::span<const double> z);

PlotStyle parse_plot_style(std::string_view style) {
    PlotStyle out;
    bool color = false;
    bool marker = false;
    bool dashes = false;
    for (std::size_t i = 0; i < style.size(); ++i) {
        const char c = style[i];
        const auto* letter = std::find_if(std::begin(kColors), std::end(kColors),
                                          [c](const ColorLetter& l) { return l.letter == c; });
        if (letter != std::end(kColors)) {
            if (color)
                bad_style(style, "it names two colours");
            out.color = letter->rgb;
            color = true;
        } else if (c == '-' || c == ':') {
            if (dashes)
                bad_style(style, "it names two line styles");
            if (c == '-' && i + 1 < style.size() && (style[i + 1] == '-' || style[i + 1] == '.')) {
                out.line = style[i + 1] == '-' ? LineStyle::dashed : LineStyle::dash_dot;
                ++i;
            } else {
                out.line = c == '-' ? LineStyle::solid : LineStyle::dotted;
            }
            dashes = true;
        } else if (kMarkers.find(c) != std::string_view::npos) {
            if (marker)
                bad_style(style, "it names two markers");
            out.marker = static_cast<Marker>(kMarkers.find(c) + 1);
            marker = true;
        } else {
            bad_style(style, in_quotes(std::string_view(&c, 1)) +
                                 " is not a colour (rgbcmykw), a marker (o+*.xsd^v<>ph) or a line "
                                 "style (- -- : -.)");
        }
    }
    if (marker && !dashes)
        out.line = LineStyle::none;
    return out;
}

std::string marker_text(Marker marker) {
    if (marker == Marker::none)
        return "none";
    return std::string(1, kMarkers[static_cast<std::size_t>(marker) - 1]);
}

std::string line_style_text(LineStyle line) {
    return kLineStyles[static_cast<std::size_t>(line)];
}

Handle current_axes(Graphics& g) {
    const std::optional<Handle> current = g.current_figure();
    const Handle figure = current ? *current : g.create_figure();
    const Value axes = g.get(figure, "CurrentAxes");
    if (!axes.empty() && g.is_valid(axes.to_scalar()) && g.parent(axes.to_scalar()) == figure) {
        return axes.to_scalar();
    }
    for (Handle child : g.children(figure)) {
        if (g.type(child) == ObjectType::Axes) {
            g.set(figure, "CurrentAxes", child);
            return child;
        }
    }
    const Handle created = g.create(ObjectType::Axes, figure);
    g.set(figure, "CurrentAxes", created);
    return created;
}

Handle add_line(Graphics& g, std::span<const double> x, std::span<const double> y,
                std::span<const double> z, const PlotStyle& line) {
    if (x.size() != y.size() || x.size() != z.size()) {
        throw Error("a 3D plot needs as many y and z values as x values, given " +
                    std::to_string(x.size()) + ", " + std::to_string(y.size()) + " and " +
                    std::to_string(z.size()));
    }
    const Handle axes = current_axes(g);
    if (!hold_is_on(g, axes)) {
        // A plot without hold starts the axes afresh.
        const std::vector<Handle> old = g.children(axes);
        for (Handle h : old)
            g.close(h);
        g.set_app_data(axes, kExtent, Value());
        for (const char* mode : {"XRangeMode", "YRangeMode", "ZRangeMode", "UnitRatioMode"})
            g.set(axes, mode, "auto");
        g.set(axes, "View", Value::row({kDefaultAzimuth, kDefaultElevation}));
    }
    const auto row = [](std::span<const double> v) {
        return Value::row(std::vector<double>(v.begin(), v.end()));
    };
    const Handle h = g.create(ObjectType::Line, axes,
                              {{"XData", row(x)},
                               {"YData", row(y)},
                               {"ZData", row(z)},
                               {"Color", row3(line.color)},
                               {"Marker", marker_text(line.marker)},
                               {"LineStyle", line_style_text(line.line)}});
    add_to_automatic_limits(g, axes, x, y, z);
    return h;
}

void set_hold(Graphics& g, Handle axes, bool on) {
    g.set(axes, "Hold", on ? "on" : "off");
}

bool hold_is_on(const Graphics& g, Handle axes) {
    return lower(g.get(axes, "Hold").text()) == "on";
}

void fill_figure(Graphics& g, Handle axes) {
    g.set(axes, "Units", "normalized");
    g.set(axes, "Position", Value::row({0, 0, 1, 1}));
}

void axis_mode(Graphics& g, Handle axes, std::string_view mode) {
    const std::string m = lower(mode);
    if (m == "auto") {
        for (const char* p : {"XRangeMode", "YRangeMode", "ZRangeMode"})
            g.set(axes, p, "auto");
        update_automatic_limits(g, axes);
    } else if (m == "equal") {
        g.set(axes, "UnitRatio", Value::row({1, 1, 1}));
        g.set(axes, "UnitRatioMode", "manual");
    } else if (m == "off" || m == "on") {
        g.set(axes, "Visible", m);
    } else {
        throw Error("unknown axis mode " + in_quotes(mode) +
                    ": the modes are \"auto\", \"equal\", \"off\" and \"on\"");
    }
}

void set_view(Graphics& g, Handle axes, double azimuth, double elevation) {
    if (!std::isfinite(azimuth) || !std::isfinite(elevation)) {
        throw Error("a view needs a finite azimuth and elevation");
    }
    g.set(axes, "View", Value::row({azimuth, std::clamp(elevation, -90.0, 90.0)}));
}

double tick_step(double low, double high) {
    const double range = high - low;
    if (!(range > 0) || !std::isfinite(range))
        return 1.0;
    const double raw = range / 5.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    const double nice = normal < 1.5 ? 1.0 : normal < 3.0 ? 2.0 : normal < 7.0 ? 5.0 : 10.0;
    return nice * magnitude;
}

std::vector<double> tick_values(double low, double high) {
    const double step = tick_step(low, high);
    std::vector<double> ticks;
    const double first = std::ceil(low / step - 1e-9);
    const double last = std::floor(high / step + 1e-9);
    for (double k = first; k <= last && ticks.size() < 100; k += 1.0) {
        const double v = k * step;
        ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
    }
    return ticks;
}

std::array<double, 2> round_limits(double low, double high) {
    if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high))
        return {0.0, 1.0};
    if (low == high) {
        const double half =
            low == 0.0 ? 1.0 : std::pow(10.0, std::floor(std::log10(std::fabs(low))));
        low -= half;
        high += half;
    }
    const double step = tick_step(low, high);
    return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step};
}

namespace {

// Sets the limits whose mode is "auto" from the data extent of the axes' lines.
void apply_extent(Graphics& g, Handle axes, const std::vector<double>& extent) {
    const char* limits[] = {"XLim", "YLim", "ZLim"};
    const char* modes[] = {"XRangeMode", "YRangeMode", "ZRangeMode"};
    for (std::size_t k = 0; k < 3; ++k) {
        if (lower(g.get(axes, modes[k]).text()) != "auto")
            continue;
        const std::array<double, 2> l = round_limits(extent[2 * k], extent[2 * k + 1]);
        g.set(axes, limits[k], Value::row({l[0], l[1]}));
    }
}

std::vector<double> empty_extent() {
    const double inf = std::numeric_limits<double>::infinity();
    return {inf, -inf, inf, -inf, inf, -inf};
}

void widen(std::vector<double>& extent, std::size_t k, std::span<const double> values) {
    for (double v : values) {
        if (std::isfinite(v)) {
            extent[2 * k] = std::min(extent[2 * k], v);
            extent[2 * k + 1] = std::max(extent[2 * k + 1], v);
        }
    }
}

}  // namespace

void update_automatic_limits(Graphics& g, Handle axes) {
    std::vector<double> extent = empty_extent();
    const char* data[] = {"XData", "YData", "ZData"};
    for (Handle line : g.children(axes)) {
        for (std::size_t k = 0; k < 3; ++k)
            widen(extent, k, g.get(line, data[k]).reals());
    }
    g.set_app_data(axes, kExtent, Value::row(extent));
    apply_extent(g, axes, extent);
}

void add_to_automatic_limits(Graphics& g, Handle axes, std::span<const double> x,
                             std::span<const double> y, std::span<const double> z) {
    const Value stored = g.app_data(axes, kExtent);
    std::vector<double> extent =
        stored.reals().size() == 6
            ? std::vector<double>(stored.reals().begin(), stored.reals().end())
            : empty_extent();
    widen(extent, 0, x);
    widen(extent, 1, y);
    widen(extent, 2, z);
    g.set_app_data(axes, kExtent, Value::row(extent));
    apply_extent(g, axes, extent);
}

}  // namespace kelmar
