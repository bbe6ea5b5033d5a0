#include "marks.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>

namespace kelmar::render {
namespace {

// The outline of a marker of radius r around (0, 0), as polygon points.
std::vector<PagePoint> star(int points, double r, double inner, double start_degrees) {
    std::vector<PagePoint> out;
    for (int k = 0; k < 2 * points; ++k) {
        const double radius = k % 2 == 0 ? r : r * inner;
        const double a = (start_degrees + 180.0 * k / points) * kPi / 180.0;
        out.push_back({radius * std::cos(a), -radius * std::sin(a)});
    }
    return out;
}

std::vector<PagePoint> regular(int corners, double r, double start_degrees) {
    std::vector<PagePoint> out;
    for (int k = 0; k < corners; ++k) {
        const double a = (start_degrees + 360.0 * k / corners) * kPi / 180.0;
        out.push_back({r * std::cos(a), -r * std::sin(a)});
    }
    return out;
}

}  // namespace

Rgb rgb_of(const Value& v, Rgb fallback) {
    const auto c = v.reals();
    if (!v.is_real() || c.size() != 3)
        return fallback;
    return {c[0], c[1], c[2]};
}

Dash dash_of(const std::string& style) {
    if (style == "--")
        return Dash::Dashed;
    if (style == ":")
        return Dash::Dotted;
    if (style == "-.")
        return Dash::DashDot;
    return Dash::Solid;
}

std::array<double, 2> limits_of(const Graphics& g, Handle axes, const char* name) {
    const Value value = g.get(axes, name);
    const auto l = value.reals();
    if (l.size() == 2 && std::isfinite(l[0]) && std::isfinite(l[1]) && l[0] < l[1])
        return {l[0], l[1]};
    return {0.0, 1.0};
}

PagePoint outward(PagePoint middle, PagePoint centre) {
    const double ox = middle.x - centre.x;
    const double oy = middle.y - centre.y;
    const double length = std::hypot(ox, oy);
    if (length < 1e-9)
        return {0, 1};
    return {ox / length, oy / length};
}

double label_width(std::size_t characters, double size) {
    return static_cast<double>(characters) * 0.62 * size;
}

MarkerShape::MarkerShape(char marker, double size) : marker_(marker), r_(size / 2.0) {
    switch (marker) {
        case 's':
            outline_ = regular(4, r_ * std::sqrt(2.0) * 0.8, 45.0);
            break;
        case 'd':
            outline_ = regular(4, r_, 90.0);
            break;
        case '^':
            outline_ = regular(3, r_, 90.0);
            break;
        case 'v':
            outline_ = regular(3, r_, 270.0);
            break;
        case '<':
            outline_ = regular(3, r_, 180.0);
            break;
        case '>':
            outline_ = regular(3, r_, 0.0);
            break;
        case 'p':
            outline_ = star(5, r_, 0.382, 90.0);
            break;
        case 'h':
            outline_ = star(6, r_, 0.577, 90.0);
            break;
        default:
            break;
    }
}

void MarkerShape::draw(Painter& painter, PagePoint at, const Pen& pen,
                       std::optional<Rgb> fill) const {
    switch (marker_) {
        case 'o':
            painter.ellipse(at, r_, r_, pen, fill);
            return;
        case '.':
            painter.ellipse(at, r_ / 3.0, r_ / 3.0, pen, pen.color);
            return;
        case '+':
        case 'x':
        case '*':
            cross(painter, at, pen);
            return;
        default:
            break;
    }
    shifted_.resize(outline_.size());
    for (std::size_t k = 0; k < outline_.size(); ++k)
        shifted_[k] = {at.x + outline_[k].x, at.y + outline_[k].y};
    painter.polygon(shifted_, pen, fill);
}

void MarkerShape::cross(Painter& painter, PagePoint at, const Pen& pen) const {
    const double r = r_;
    const double d = r_ / std::sqrt(2.0);
    if (marker_ == '+' || marker_ == '*') {
        const PagePoint h[] = {{at.x - r, at.y}, {at.x + r, at.y}};
        const PagePoint v[] = {{at.x, at.y - r}, {at.x, at.y + r}};
        painter.polyline(h, pen);
        painter.polyline(v, pen);
    }
    if (marker_ == 'x' || marker_ == '*') {
        const PagePoint a[] = {{at.x - d, at.y - d}, {at.x + d, at.y + d}};
        const PagePoint b[] = {{at.x - d, at.y + d}, {at.x + d, at.y - d}};
        painter.polyline(a, pen);
        painter.polyline(b, pen);
    }
}

std::optional<LineMarker> line_marker(const Graphics& g, Handle line) {
    const std::string marker = g.get(line, "Marker").text();
    if (marker.size() != 1)
        return std::nullopt;
    const Rgb color = rgb_of(g.get(line, "Color"), {0, 0, 1});
    const double size = g.get(line, "MarkerSize").to_scalar() * kPixelsPerPoint;
    const Value face = g.get(line, "MarkerFaceColor");
    std::optional<Rgb> fill;
    if (face.is_real())
        fill = rgb_of(face, color);
    else if (lower(face.text()) == "auto")
        fill = color;
    return LineMarker{MarkerShape(marker[0], size),
                      Pen{color, std::max(0.5, 0.5 * kPixelsPerPoint), Dash::Solid}, fill};
}

std::vector<std::string> tick_labels(const std::vector<double>& ticks, double step) {
    double largest = 0.0;
    for (double v : ticks)
        largest = std::max(largest, std::fabs(v));
    const double exponent_of_step = std::floor(std::log10(step) + 1e-9);
    const bool scientific = largest >= 1e6 || (step < 1e-4 && step > 0.0);
    std::vector<std::string> out;
    for (double v : ticks) {
        char text[64];
        if (scientific && v == 0.0) {
            out.emplace_back("0");
            continue;
        }
        if (scientific) {
            // Enough significant digits to tell ticks a step apart.
            const double digits = std::floor(std::log10(std::fabs(v)) + 1e-9) - exponent_of_step;
            std::snprintf(text, sizeof text, "%.*e",
                          static_cast<int>(std::clamp(digits, 0.0, 15.0)), v);
        } else {
            std::snprintf(text, sizeof text, "%.*f",
                          static_cast<int>(std::clamp(-exponent_of_step, 0.0, 15.0)),
                          v == 0.0 ? 0.0 : v);  // never "-0.0"
        }
        out.emplace_back(text);
    }
    return out;
}

}  // namespace kelmar::render
