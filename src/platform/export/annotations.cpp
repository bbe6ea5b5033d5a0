#include "annotations.hpp"

#include "marks.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace kelmar::render {
namespace {

const Pen kFramePen{kBoxColor, 1.0, Dash::Solid};

// Every `stride`-th label of ticks `spacing` pixels apart fits in `room` pixels.
int label_stride(double spacing, double room) {
    for (int candidate : {1, 2, 5, 10, 20, 50}) {
        if (spacing * candidate >= room)
            return candidate;
    }
    return 0;
}

// Ticks of one axis of a 2D frame: `along` maps a value to its page position along the axis.
template <typename Place>
void flat_ticks(std::array<double, 2> lim, bool horizontal, Place place, Painter& painter) {
    const std::vector<double> ticks = tick_values(lim[0], lim[1]);
    const std::vector<std::string> labels = tick_labels(ticks, tick_step(lim[0], lim[1]));
    std::size_t characters = 1;
    for (const std::string& label : labels)
        characters = std::max(characters, label.size());
    double spacing = 1e9;
    if (ticks.size() > 1) {
        const PagePoint a = place(ticks[0]);
        const PagePoint b = place(ticks[1]);
        spacing = std::hypot(b.x - a.x, b.y - a.y);
    }
    const double room = horizontal ? label_width(characters, kLabelSize) + 6 : kLabelSize + 2;
    const int stride = label_stride(spacing, room);
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const double v = ticks[k];
        const PagePoint at = place(v);
        const PagePoint end =
            horizontal ? PagePoint{at.x, at.y + kTickLength} : PagePoint{at.x - kTickLength, at.y};
        const PagePoint mark[] = {at, end};
        painter.polyline(mark, kFramePen);
        if (stride == 0 || std::lround(v / step) % stride != 0)
            continue;
        if (horizontal) {
            painter.text({at.x, end.y + 3}, labels[k], HAlign::Centre, VAlign::Top, kBoxColor,
                         kLabelSize);
        } else {
            painter.text({end.x - 3, at.y + 0.35 * kLabelSize}, labels[k], HAlign::Right,
                         VAlign::Baseline, kBoxColor, kLabelSize);
        }
    }
}

}  // namespace

void draw_flat_frame(const Graphics& g, Handle axes, const Projection& project, Painter& painter) {
    const PageRect& r = project.plot_rect();
    const PagePoint frame[] = {{r.left, r.top},
                               {r.left + r.width, r.top},
                               {r.left + r.width, r.top + r.height},
                               {r.left, r.top + r.height},
                               {r.left, r.top}};
    painter.polyline(frame, kFramePen);
    const auto& lim = project.limits();
    flat_ticks(
        lim[0], true, [&](double v) { return project(v, lim[1][0], 0.0); }, painter);
    flat_ticks(
        lim[1], false, [&](double v) { return project(lim[0][0], v, 0.0); }, painter);
    const std::string x_label = g.get(axes, "XLabel").text();
    if (!x_label.empty()) {
        painter.text({r.left + r.width / 2, r.top + r.height + kTickLength + 5 + kLabelSize},
                     x_label, HAlign::Centre, VAlign::Top, kBoxColor, kLabelSize);
    }
    const std::string y_label = g.get(axes, "YLabel").text();
    if (!y_label.empty()) {
        painter.text({r.left - kTickLength - 3, r.top - 4}, y_label, HAlign::Left, VAlign::Bottom,
                     kBoxColor, kLabelSize);
    }
}

void draw_edge_label(const std::string& text, PagePoint a, PagePoint b, PagePoint centre,
                     Painter& painter) {
    if (text.empty() || std::hypot(b.x - a.x, b.y - a.y) < 1.0)
        return;  // no label for an edge seen end-on
    const PagePoint middle{(a.x + b.x) / 2, (a.y + b.y) / 2};
    const PagePoint out = outward(middle, centre);
    const double ox = out.x;
    const double oy = out.y;
    // Beyond the tick labels, which stand beside an edge running up the page and below one
    // running across it.
    const bool across = std::fabs(ox) > std::fabs(oy);
    const double clear = kTickLength + 6 + (across ? label_width(5, kLabelSize) : 1.3 * kLabelSize);
    const PagePoint at{middle.x + ox * clear, middle.y + oy * clear};
    if (across) {
        painter.text({at.x, at.y + 0.35 * kLabelSize}, text, ox > 0 ? HAlign::Left : HAlign::Right,
                     VAlign::Baseline, kBoxColor, kLabelSize);
    } else {
        painter.text(at, text, HAlign::Centre, oy > 0 ? VAlign::Top : VAlign::Bottom, kBoxColor,
                     kLabelSize);
    }
}

void draw_title(const Graphics& g, Handle axes, const PageRect& area, Painter& painter) {
    const std::string title = g.get(axes, "Title").text();
    if (!title.empty()) {
        painter.text({area.left + area.width / 2, area.top + 4}, title, HAlign::Centre, VAlign::Top,
                     kBoxColor, kLabelSize + 2);
    }
}

namespace {

constexpr double kSample = 26;  // the width of a legend entry's line or marker
constexpr double kRow = kLabelSize + 7;

// The legend's entries: the first line of every name, in drawing order.
std::vector<std::pair<std::string, Handle>> legend_entries(const Graphics& g, Handle axes) {
    std::vector<std::pair<std::string, Handle>> entries;
    if (lower(g.get(axes, "Legend").text()) != "on")
        return entries;
    for (Handle line : g.children(axes)) {
        const std::string name = g.get(line, "DisplayName").text();
        if (name.empty() || lower(g.get(line, "Visible").text()) == "off")
            continue;
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const auto& e) { return e.first == name; }))
            entries.emplace_back(name, line);
    }
    return entries;
}

double legend_width(const std::vector<std::pair<std::string, Handle>>& entries) {
    std::size_t characters = 0;
    for (const auto& e : entries)
        characters = std::max(characters, e.first.size());
    // Words are narrower than digits: some 0.55 of the size a character.
    return kSample + 14 + static_cast<double>(characters) * 0.55 * kLabelSize;
}

}  // namespace

double legend_room(const Graphics& g, Handle axes) {
    const auto entries = legend_entries(g, axes);
    return entries.empty() ? 0.0 : legend_width(entries) + 12;
}

void draw_legend(const Graphics& g, Handle axes, const Projection& project, Painter& painter) {
    const auto entries = legend_entries(g, axes);
    if (entries.empty())
        return;
    const PageRect& r = project.plot_rect();
    const double width = legend_width(entries);
    const double height = kRow * static_cast<double>(entries.size()) + 6;
    double left = std::max(r.left + 2, r.left + r.width - width - 6);
    // Beside a 3D box, below the title; inside a 2D frame, in the corner with the fewest points.
    double top =
        r.top + (project.flat() || g.get(axes, "Title").text().empty() ? 6 : 2.2 * kLabelSize);
    if (project.flat()) {
        const double corners[4][2] = {{left, top},
                                      {r.left + 6, top},
                                      {left, r.top + r.height - height - 6},
                                      {r.left + 6, r.top + r.height - height - 6}};
        std::size_t inside[4] = {0, 0, 0, 0};
        for (Handle line : g.children(axes)) {
            const Value xd = g.get(line, "XData"), yd = g.get(line, "YData");
            const auto xs = xd.reals(), ys = yd.reals();
            for (std::size_t i = 0; i < std::min(xs.size(), ys.size()); ++i) {
                const PagePoint p = project(xs[i], ys[i], 0.0);
                for (std::size_t c = 0; c < 4; ++c) {
                    inside[c] += p.x >= corners[c][0] && p.x <= corners[c][0] + width &&
                                 p.y >= corners[c][1] && p.y <= corners[c][1] + height;
                }
            }
        }
        const std::size_t fewest =
            static_cast<std::size_t>(std::min_element(inside, inside + 4) - inside);
        left = corners[fewest][0];
        top = corners[fewest][1];
    }
    const PagePoint box[] = {
        {left, top}, {left + width, top}, {left + width, top + height}, {left, top + height}};
    painter.polygon(box, {{0.6, 0.6, 0.6}, 1.0, Dash::Solid}, Rgb{1, 1, 1});
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const Handle line = entries[k].second;
        const double y = top + 3 + kRow * (static_cast<double>(k) + 0.5);
        const Rgb color = rgb_of(g.get(line, "Color"), {0, 0, 1});
        const std::string style = g.get(line, "LineStyle").text();
        const Value fill = g.get(line, "FillColor");
        if (fill.is_real()) {
            const PagePoint square[] = {
                {left + 8, y - 5}, {left + 20, y - 5}, {left + 20, y + 5}, {left + 8, y + 5}};
            painter.polygon(square, {color, 1.0, Dash::Solid}, rgb_of(fill, color));
        } else if (style != "none") {
            const PagePoint sample[] = {{left + 5, y}, {left + 5 + kSample - 4, y}};
            const double line_width =
                std::max(0.5, g.get(line, "LineWidth").to_scalar() * kPixelsPerPoint);
            painter.polyline(sample, {color, line_width, dash_of(style)});
        }
        if (const std::optional<LineMarker> m = line_marker(g, line))
            m->shape.draw(painter, {left + 5 + (kSample - 4) / 2, y}, m->pen, m->fill);
        painter.text({left + kSample + 8, y + 0.35 * kLabelSize}, entries[k].first, HAlign::Left,
                     VAlign::Baseline, kBoxColor, kLabelSize);
    }
}

}  // namespace kelmar::render
