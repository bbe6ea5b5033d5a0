#include "annotations.hpp"

#include "marks.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
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
    if (lower(g.get(axes, "TickLabels").text()) == "off")
        return;  // a small multiple: its frame alone, its title says what it shows
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

namespace {

constexpr double kTitleSize = kLabelSize + 2;
constexpr double kTitleLine = 1.6 * kLabelSize;  // the height a title line takes
constexpr double kTextCharacter = 0.56;          // a word's characters, as a share of the size
constexpr double kSample = 26;                   // the width of a legend entry's line or marker
constexpr double kRow = kLabelSize + 7;
constexpr std::size_t kLongestLegendName = 32;  // characters; longer names are shortened
constexpr std::size_t kShortestLegendName = 8;
constexpr double kPlotShare = 0.6;  // what a legend beside or below leaves the plot

// `text` in at most `longest` characters; "what: name" keeps what it is and shortens the name in
// the middle while the name keeps 6 characters or more.
std::string shortened_label(const std::string& text, std::size_t longest) {
    const std::size_t colon = text.find(": ");
    const std::size_t head =
        colon == std::string::npos ? 0 : character_count(text.substr(0, colon + 2));
    if (head > 0 && head + 6 <= longest)
        return text.substr(0, colon + 2) + shorten_middle(text.substr(colon + 2), longest - head);
    return shorten_middle(text, longest);
}

std::vector<std::string> title_lines(const Graphics& g, Handle axes) {
    std::vector<std::string> lines;
    const std::string title = g.get(axes, "Title").text();
    std::size_t start = 0;
    while (!title.empty() && start <= title.size()) {
        const std::size_t end = std::min(title.find('\n', start), title.size());
        lines.push_back(title.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The characters of text at `size` that fit in `width` pixels.
std::size_t characters_in(double width, double size) {
    return static_cast<std::size_t>(std::max(0.0, width / (kTextCharacter * size)));
}

// The legend's entries: the first line of every name, in drawing order, shortened to `longest`.
std::vector<std::pair<std::string, Handle>> legend_entries(const Graphics& g, Handle axes,
                                                           std::size_t longest) {
    std::vector<std::pair<std::string, Handle>> entries;
    std::vector<std::string> seen;
    if (lower(g.get(axes, "Legend").text()) != "on")
        return entries;
    for (Handle line : g.children(axes)) {
        const std::string name = g.get(line, "DisplayName").text();
        if (name.empty() || lower(g.get(line, "Visible").text()) == "off" ||
            std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.push_back(name);
        entries.emplace_back(shortened_label(name, longest), line);
    }
    return entries;
}

// The width of a legend entry whose name has `characters` characters: its sample, then its name.
double entry_width(std::size_t characters) {
    return kSample + 14 + static_cast<double>(characters) * 0.6 * kLabelSize;
}

// The legend of `entries` in `columns` columns (rows filled first).
LegendLayout sized_legend(std::vector<std::pair<std::string, Handle>> entries,
                          std::size_t columns) {
    LegendLayout l;
    std::size_t characters = 0;
    for (const auto& e : entries)
        characters = std::max(characters, character_count(e.first));
    l.entries = std::move(entries);
    l.columns = std::clamp<std::size_t>(columns, 1, std::max<std::size_t>(1, l.entries.size()));
    const std::size_t rows = (l.entries.size() + l.columns - 1) / l.columns;
    l.entry_width = entry_width(characters);
    l.width = l.entry_width * static_cast<double>(l.columns);
    l.height = kRow * static_cast<double>(rows) + 6;
    return l;
}

// The entries with names short enough that `columns` columns fit in `width`.
LegendLayout fitted_legend(const Graphics& g, Handle axes, double width, std::size_t columns) {
    const double per_entry = width / static_cast<double>(std::max<std::size_t>(columns, 1));
    const std::size_t longest =
        std::clamp(characters_in(per_entry - kSample - 14, kLabelSize * 0.6 / kTextCharacter),
                   kShortestLegendName, kLongestLegendName);
    return sized_legend(legend_entries(g, axes, longest), columns);
}

// A legend below a plot of `area`'s width: in as many columns as fit with names of 24 characters
// (fewer rows take less of the plot's height), names shortened to the columns' width.
LegendLayout legend_below(const Graphics& g, Handle axes, const PageRect& area) {
    constexpr std::size_t kReadableName = 24;
    const LegendLayout whole = sized_legend(legend_entries(g, axes, kLongestLegendName), 1);
    std::size_t longest = 0;
    for (const auto& e : whole.entries)
        longest = std::max(longest, character_count(e.first));
    const double room = area.width - 12;
    std::size_t columns = 1;
    while (columns < whole.entries.size() &&
           room / static_cast<double>(columns + 1) >= entry_width(std::min(longest, kReadableName)))
        ++columns;
    LegendLayout l = whole.width <= room / static_cast<double>(columns)
                         ? sized_legend(whole.entries, columns)
                         : fitted_legend(g, axes, room, columns);
    l.place = LegendLayout::Place::below;
    l.left = area.left + std::max(0.0, (area.width - l.width) / 2);
    l.top = area.top + area.height - l.height - 4;
    return l;
}

// Whether the segment from `a` to `b` meets the rectangle `r` (clipped against its four sides).
bool meets(const PageRect& r, PagePoint a, PagePoint b) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x - r.left, r.left + r.width - a.x, a.y - r.top, r.top + r.height - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

// The lines of `axes` whose drawing (path, fill, markers or label) meets `r`.
std::size_t lines_meeting(const Graphics& g, Handle axes, const Projection& project,
                          const PageRect& r) {
    std::size_t count = 0;
    for (Handle line : g.children(axes)) {
        if (lower(g.get(line, "Visible").text()) == "off")
            continue;
        const Value xd = g.get(line, "XData"), yd = g.get(line, "YData"), zd = g.get(line, "ZData");
        const auto xs = xd.reals(), ys = yd.reals(), zs = zd.reals();
        const std::size_t n =
            std::min({xs.size(), ys.size(), project.flat() ? ys.size() : zs.size()});
        std::vector<PagePoint> points;
        for (std::size_t i = 0; i < n; ++i) {
            if (std::isfinite(xs[i]) && std::isfinite(ys[i]))
                points.push_back(project(xs[i], ys[i], project.flat() ? 0.0 : zs[i]));
        }
        if (points.empty())
            continue;
        // Markers and a filled shape's inside count by the points' bounding box grown by a
        // marker's half width; a path by its segments.
        bool hit = false;
        const bool path = g.get(line, "LineStyle").text() != "none";
        if (g.get(line, "FillColor").is_real() || !path || points.size() == 1) {
            double lo_x = HUGE_VAL, hi_x = -HUGE_VAL, lo_y = HUGE_VAL, hi_y = -HUGE_VAL;
            for (const PagePoint& p : points) {
                lo_x = std::min(lo_x, p.x), hi_x = std::max(hi_x, p.x);
                lo_y = std::min(lo_y, p.y), hi_y = std::max(hi_y, p.y);
            }
            if (g.get(line, "FillColor").is_real()) {
                hit = lo_x <= r.left + r.width && hi_x >= r.left && lo_y <= r.top + r.height &&
                      hi_y >= r.top;
            } else {
                for (const PagePoint& p : points)
                    hit = hit || (p.x >= r.left - 4 && p.x <= r.left + r.width + 4 &&
                                  p.y >= r.top - 4 && p.y <= r.top + r.height + 4);
            }
        }
        for (std::size_t i = 1; path && !hit && i < points.size(); ++i)
            hit = meets(r, points[i - 1], points[i]);
        const std::string label = g.get(line, "Label").text();
        if (!hit && !label.empty()) {
            const PagePoint at = points.back();
            const double w = label_width(character_count(label), kLabelSize);
            hit = meets(r, {at.x - w / 2, at.y + 2 + kLabelSize / 2},
                        {at.x + w / 2, at.y + 2 + kLabelSize / 2});
        }
        count += hit;
    }
    return count;
}

// The inside corner of `plot` where `l` covers the fewest lines (the first of top right, top
// left, bottom right, bottom left that covers none), and how many it covers there.
std::size_t emptiest_corner(const Graphics& g, Handle axes, const Projection& project,
                            const PageRect& plot, double top_inset, LegendLayout& l) {
    const double right = plot.left + plot.width - l.width - 6, left = plot.left + 6;
    const double top = plot.top + top_inset, bottom = plot.top + plot.height - l.height - 6;
    const PagePoint corners[] = {{right, top}, {left, top}, {right, bottom}, {left, bottom}};
    std::size_t fewest = std::numeric_limits<std::size_t>::max();
    for (const PagePoint& c : corners) {
        const std::size_t covered = lines_meeting(g, axes, project, {c.x, c.y, l.width, l.height});
        if (covered < fewest) {
            fewest = covered;
            l.left = c.x;
            l.top = c.y;
        }
        if (covered == 0)
            break;
    }
    return fewest;
}

}  // namespace

std::size_t title_line_count(const Graphics& g, Handle axes) {
    return title_lines(g, axes).size();
}

void draw_title(const Graphics& g, Handle axes, const PageRect& area, Painter& painter) {
    // Each line shortened in the middle to the axes' width, so that neighbouring panels' titles
    // never run into each other.
    const std::size_t longest = std::max<std::size_t>(characters_in(area.width - 8, kTitleSize), 4);
    double y = area.top + 4;
    for (const std::string& line : title_lines(g, axes)) {
        painter.text({area.left + area.width / 2, y}, shortened_label(line, longest),
                     HAlign::Centre, VAlign::Top, kBoxColor, kTitleSize);
        y += kTitleLine;
    }
}

LegendLayout plan_box_legend(const Graphics& g, Handle axes, PageRect& area, double aspect,
                             double margin) {
    LegendLayout right = sized_legend(legend_entries(g, axes, kLongestLegendName), 1);
    if (right.entries.empty())
        return right;
    // The box's size on the page when fitted into `w` × `h` with its margins, for a box `aspect`
    // times as wide as high.
    const auto box_height = [&](double w, double h) {
        return std::max(0.0, std::min(h - 2 * margin, (w - 2 * margin) / aspect));
    };
    const double below_title = 2.2 * kLabelSize;
    // Beside: names shortened so that the box keeps its share of the width.
    const double beside_room = (1.0 - kPlotShare) * area.width - 12;
    if (right.width > beside_room)
        right = fitted_legend(g, axes, beside_room, 1);
    const bool fits_right = right.width <= beside_room &&
                            character_count(right.entries.front().first) >= kShortestLegendName &&
                            right.height <= area.height - below_title - 6;
    LegendLayout below = legend_below(g, axes, area);
    const bool fits_below = area.height - (below.height + 8) >= kPlotShare * area.height;
    // Of the places that leave the box its share, the one where the box is drawn largest: a tall
    // box beside its legend, a wide one above it.
    const double right_size =
        fits_right ? box_height(area.width - right.width - 12, area.height) : -1.0;
    const double below_size =
        fits_below ? box_height(area.width, area.height - below.height - 8) : -1.0;
    if (fits_right && right_size >= below_size) {
        right.place = LegendLayout::Place::right;
        right.left = area.left + area.width - right.width - 6;
        right.top = area.top + below_title;
        area.width -= right.width + 12;
        return right;
    }
    if (fits_below) {
        area.height -= below.height + 8;
        return below;
    }
    // No room beside or below: inside, at most half the width, in the corner chosen when drawn.
    LegendLayout inside = fitted_legend(g, axes, 0.5 * area.width, 1);
    inside.place = LegendLayout::Place::inside;
    return inside;
}

LegendLayout plan_flat_legend(const Graphics& g, Handle axes, const Projection& project,
                              const PageRect& area, PageRect& plot) {
    LegendLayout l = sized_legend(legend_entries(g, axes, kLongestLegendName), 1);
    if (l.entries.empty())
        return l;
    if (l.width > 0.5 * plot.width)
        l = fitted_legend(g, axes, 0.5 * plot.width, 1);
    l.place = LegendLayout::Place::inside;
    if (emptiest_corner(g, axes, project, plot, 6, l) == 0)
        return l;
    // Every corner covers a line: outside the frame, on the right or below, when the plot keeps
    // its share there; otherwise the corner that covers least.
    const double right_band = l.width + 10;
    if (plot.width - right_band >= kPlotShare * plot.width && l.height <= plot.height) {
        plot.width -= right_band;
        l.place = LegendLayout::Place::right;
        l.left = plot.left + plot.width + 8;
        l.top = plot.top;
        return l;
    }
    LegendLayout below = legend_below(g, axes, area);
    if (plot.height - (below.height + 6) >= kPlotShare * plot.height) {
        plot.height -= below.height + 6;
        return below;
    }
    return l;
}

void draw_legend(const Graphics& g, Handle axes, const Projection& project, Painter& painter) {
    LegendLayout l = project.legend();
    if (l.place == LegendLayout::Place::none || l.entries.empty())
        return;
    if (l.place == LegendLayout::Place::inside && !project.flat()) {
        const double below_title = g.get(axes, "Title").text().empty() ? 6 : 2.2 * kLabelSize;
        emptiest_corner(g, axes, project, project.plot_rect(), below_title, l);
    }
    const double left = l.left, top = l.top, width = l.width, height = l.height;
    const PagePoint box[] = {
        {left, top}, {left + width, top}, {left + width, top + height}, {left, top + height}};
    painter.polygon(box, {{0.6, 0.6, 0.6}, 1.0, Dash::Solid}, Rgb{1, 1, 1});
    const std::size_t rows = (l.entries.size() + l.columns - 1) / l.columns;
    for (std::size_t k = 0; k < l.entries.size(); ++k) {
        const Handle line = l.entries[k].second;
        const double x = left + l.entry_width * static_cast<double>(k / rows);
        const double y = top + 3 + kRow * (static_cast<double>(k % rows) + 0.5);
        const Rgb color = rgb_of(g.get(line, "Color"), {0, 0, 1});
        const std::string style = g.get(line, "LineStyle").text();
        const Value fill = g.get(line, "FillColor");
        if (fill.is_real()) {
            const PagePoint square[] = {
                {x + 8, y - 5}, {x + 20, y - 5}, {x + 20, y + 5}, {x + 8, y + 5}};
            painter.polygon(square, {color, 1.0, Dash::Solid}, rgb_of(fill, color));
        } else if (style != "none") {
            const PagePoint sample[] = {{x + 5, y}, {x + 5 + kSample - 4, y}};
            const double line_width =
                std::max(0.5, g.get(line, "LineWidth").to_scalar() * kPixelsPerPoint);
            painter.polyline(sample, {color, line_width, dash_of(style)});
        }
        if (const std::optional<LineMarker> m = line_marker(g, line))
            m->shape.draw(painter, {x + 5 + (kSample - 4) / 2, y}, m->pen, m->fill);
        painter.text({x + kSample + 8, y + 0.35 * kLabelSize}, l.entries[k].first, HAlign::Left,
                     VAlign::Baseline, kBoxColor, kLabelSize);
    }
}

void draw_line_labels(const Graphics& g, Handle axes, const Projection& project, Painter& painter) {
    // Each label hangs beside its line's last point, to the right or, at the frame's right edge,
    // to the left (no ground, so the bars stay
    // seen); one that would overlap a label already placed moves down a row, so labels of lines
    // close together stay readable.
    std::vector<PageRect> placed;
    const double height = kLabelSize + 2;
    for (Handle line : g.children(axes)) {
        const std::string label = g.get(line, "Label").text();
        if (label.empty() || lower(g.get(line, "Visible").text()) == "off")
            continue;
        const Value xd = g.get(line, "XData"), yd = g.get(line, "YData"), zd = g.get(line, "ZData");
        const auto xs = xd.reals(), ys = yd.reals(), zs = zd.reals();
        if (xs.empty() || ys.empty())
            continue;
        const double z = project.flat() || zs.empty() ? 0.0 : zs.back();
        const PagePoint at = project(xs.back(), ys.back(), z);
        const double width = label_width(character_count(label), kLabelSize - 1) + 4;
        // Within the frame: a line at its edge keeps its label inside.
        const PageRect& frame = project.plot_rect();
        const double left = std::clamp(
            at.x + 3 + width < frame.left + frame.width ? at.x + 3 : at.x - 3 - width,
            frame.left + 1, std::max(frame.left + 1, frame.left + frame.width - width - 1));
        const auto overlaps = [&](const PageRect& r) {
            return std::any_of(placed.begin(), placed.end(), [&](const PageRect& p) {
                return r.left < p.left + p.width && p.left < r.left + r.width &&
                       r.top < p.top + p.height && p.top < r.top + r.height;
            });
        };
        PageRect r{left, at.y + 2, width, height};
        while (overlaps(r) && r.top + 2 * height <= frame.top + frame.height)
            r.top += height;
        // No free row left in the frame: beside the labels in the first row, as near the line
        // as there is room.
        if (overlaps(r)) {
            r.top = at.y + 2;
            for (double shift = 0; shift < frame.width && overlaps(r); shift += 4) {
                for (double x : {left + shift, left - shift}) {
                    r.left =
                        std::clamp(x, frame.left + 1,
                                   std::max(frame.left + 1, frame.left + frame.width - width - 1));
                    if (!overlaps(r))
                        break;
                }
            }
        }
        placed.push_back(r);
        painter.text({r.left + r.width / 2, r.top + 1}, label, HAlign::Centre, VAlign::Top,
                     rgb_of(g.get(line, "Color"), {0, 0, 1}), kLabelSize - 1);
    }
}

}  // namespace kelmar::render
