#include "renderer.hpp"

#include "annotations.hpp"
#include "marks.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>
#include <vector>

namespace kelmar {
namespace {

using namespace render;

constexpr const char* kAxisLabels[] = {"XLabel", "YLabel", "ZLabel"};

void draw_line(const Graphics& g, Handle line, const Projection& project, Painter& painter) {
    if (lower(g.get(line, "Visible").text()) == "off")
        return;
    const Value xd = g.get(line, "XData");
    const Value yd = g.get(line, "YData");
    const Value zd = g.get(line, "ZData");
    const auto xs = xd.reals();
    const auto ys = yd.reals();
    const auto zs = zd.reals();
    const std::size_t n = std::min({xs.size(), ys.size(), zs.size()});
    const Rgb color = rgb_of(g.get(line, "Color"), {0, 0, 1});
    const double width = std::max(0.5, g.get(line, "LineWidth").to_scalar() * kPixelsPerPoint);
    const std::string style = g.get(line, "LineStyle").text();
    const Pen pen{color, width, dash_of(style)};
    std::vector<PagePoint> points(n);
    std::vector<bool> finite(n);
    for (std::size_t i = 0; i < n; ++i) {
        finite[i] = std::isfinite(xs[i]) && std::isfinite(ys[i]) && std::isfinite(zs[i]);
        points[i] = project(xs[i], ys[i], zs[i]);
    }
    if (style != "none" && !g.get(line, "FillColor").is_real()) {
        // Points that are not finite break the line into runs.
        std::size_t start = 0;
        while (start < n) {
            while (start < n && !finite[start])
                ++start;
            std::size_t end = start;
            while (end < n && finite[end])
                ++end;
            if (end - start >= 2)
                painter.polyline(std::span(points).subspan(start, end - start), pen);
            start = end;
        }
    }
    // A line with a fill colour is a filled shape: a bar, say.
    const Value fill_value = g.get(line, "FillColor");
    if (fill_value.is_real() && n >= 3 &&
        std::all_of(finite.begin(), finite.end(), [](bool f) { return f; })) {
        painter.polygon(points, style == "none" ? Pen{color, 0.0, Dash::Solid} : pen,
                        rgb_of(fill_value, color));
    }
    if (const std::optional<LineMarker> m = line_marker(g, line)) {
        // "end": one marker where the line ends, as on an arrow.
        const bool end_only = lower(g.get(line, "MarkerAt").text()) == "end";
        for (std::size_t i = end_only && n > 0 ? n - 1 : 0; i < n; ++i) {
            if (finite[i])
                m->shape.draw(painter, points[i], m->pen, m->fill);
        }
    }
}

// Tick marks and labels along the box edge from corner `a` to corner `b` (box corner indexes),
// for the data values between `low` and `high` of that axis; `outward` points away from the box.
// No label is drawn near a corner in `taken`, where an edge labelled before ends: two labels there
// would run into each other.
void draw_ticks(Painter& painter, const Projection& project, const int a[3], const int b[3],
                int axis, PagePoint centre, std::span<const PagePoint> taken) {
    const PagePoint pa = project.corner(a[0], a[1], a[2]);
    const PagePoint pb = project.corner(b[0], b[1], b[2]);
    if (std::hypot(pb.x - pa.x, pb.y - pa.y) < 1.0)
        return;  // the edge points at the viewer
    const PagePoint middle{(pa.x + pb.x) / 2, (pa.y + pb.y) / 2};
    const PagePoint out = outward(middle, centre);
    const double ox = out.x;
    const double oy = out.y;
    const std::array<double, 2> lim = project.limits()[static_cast<std::size_t>(axis)];
    const Pen pen{kBoxColor, 1.0, Dash::Solid};
    const std::vector<double> ticks = tick_values(lim[0], lim[1]);
    const std::vector<std::string> labels = tick_labels(ticks, tick_step(lim[0], lim[1]));
    // Labels that would run into each other on a short edge are thinned to every second or
    // fifth tick; every tick keeps its mark.
    const double edge_length = std::hypot(pb.x - pa.x, pb.y - pa.y);
    const double spacing =
        ticks.size() > 1 ? edge_length * (ticks[1] - ticks[0]) / (lim[1] - lim[0]) : edge_length;
    const bool across = std::fabs(ox) > std::fabs(oy);  // labels beside the edge, not along it
    // Two labels a step apart along the edge stay clear of each other when they are a label's
    // width apart across the page or a label's height apart down it: a steep edge needs less
    // room between its ticks than a level one.
    std::size_t characters = 1;
    for (const std::string& label : labels)
        characters = std::max(characters, label.size());
    const double label_width = static_cast<double>(characters) * 0.62 * kLabelSize + 4;
    const double label_height = kLabelSize + 2;
    const double ux = std::fabs(pb.x - pa.x) / edge_length;
    const double uy = std::fabs(pb.y - pa.y) / edge_length;
    const double room =
        std::min(ux > 1e-9 ? label_width / ux : HUGE_VAL, uy > 1e-9 ? label_height / uy : HUGE_VAL);
    // An edge seen nearly end-on has room for no label at all: its ticks keep their marks.
    int stride = 0;
    for (int candidate : {1, 2, 5, 10, 20, 50}) {
        if (spacing * candidate >= room) {
            stride = candidate;
            break;
        }
    }
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const double v = ticks[k];
        const std::string& label_text = labels[k];
        const double t = (v - lim[0]) / (lim[1] - lim[0]);
        const PagePoint at{pa.x + t * (pb.x - pa.x), pa.y + t * (pb.y - pa.y)};
        const PagePoint tick[] = {at, {at.x + ox * kTickLength, at.y + oy * kTickLength}};
        painter.polyline(tick, pen);
        const long index = std::lround(v / (ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0));
        if (stride == 0 || index % stride != 0)
            continue;
        if (std::any_of(taken.begin(), taken.end(), [&](PagePoint corner) {
                return std::hypot(at.x - corner.x, at.y - corner.y) < 2.0 * kLabelSize;
            }))
            continue;
        const PagePoint label{at.x + ox * (kTickLength + 3), at.y + oy * (kTickLength + 3)};
        HAlign h = HAlign::Centre;
        VAlign va = oy > 0 ? VAlign::Top : VAlign::Bottom;
        PagePoint anchor = label;
        if (across) {
            h = ox > 0 ? HAlign::Left : HAlign::Right;
            va = VAlign::Baseline;
            anchor.y += 0.35 * kLabelSize;  // baseline placed so the digits sit on the tick
        }
        painter.text(anchor, label_text, h, va, kBoxColor, kLabelSize);
    }
}

// The corners (0: the low limit, 1: the high one) that end the box edge parallel to `axis` at
// positions i and j of the other two axes.
void edge_corners(int axis, int i, int j, int (&a)[3], int (&b)[3]) {
    int other = 0;
    for (int k = 0; k < 3; ++k) {
        if (k == axis) {
            a[k] = 0;
            b[k] = 1;
        } else {
            a[k] = b[k] = other++ == 0 ? i : j;
        }
    }
}

void draw_box(const Graphics& g, Handle axes, const Projection& project, Painter& painter) {
    const Pen pen{{0.6, 0.6, 0.6}, 1.0, Dash::Solid};
    // The twelve edges: for each axis, the four edges parallel to it.
    for (int axis = 0; axis < 3; ++axis) {
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 2; ++j) {
                int a[3];
                int b[3];
                edge_corners(axis, i, j, a, b);
                const PagePoint edge[] = {project.corner(a[0], a[1], a[2]),
                                          project.corner(b[0], b[1], b[2])};
                painter.polyline(edge, pen);
            }
        }
    }
    // Ticks: x and y along the bottom edges nearest the viewer (lowest on the page), z along
    // the vertical edge furthest left.
    PagePoint centre{0, 0};
    for (int k = 0; k < 8; ++k) {
        const PagePoint c = project.corner(k & 1, (k >> 1) & 1, (k >> 2) & 1);
        centre.x += c.x / 8;
        centre.y += c.y / 8;
    }
    std::vector<PagePoint> labelled_ends;  // the ends of the edges labelled so far
    for (int axis = 0; axis < 3; ++axis) {
        int best[3] = {0, 0, 0};
        int best_end[3] = {0, 0, 0};
        double best_score = -std::numeric_limits<double>::infinity();
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 2; ++j) {
                int a[3];
                int b[3];
                edge_corners(axis, i, j, a, b);
                if (axis != 2 && a[2] != 0)
                    continue;  // x and y ticks stay on the bottom of the box
                const PagePoint pa = project.corner(a[0], a[1], a[2]);
                const PagePoint pb = project.corner(b[0], b[1], b[2]);
                const double score = axis == 2 ? -(pa.x + pb.x) : (pa.y + pb.y);
                if (score > best_score) {
                    best_score = score;
                    std::copy(a, a + 3, best);
                    std::copy(b, b + 3, best_end);
                }
            }
        }
        const Pen strong{kBoxColor, 1.0, Dash::Solid};
        const PagePoint edge[] = {project.corner(best[0], best[1], best[2]),
                                  project.corner(best_end[0], best_end[1], best_end[2])};
        painter.polyline(edge, strong);
        draw_ticks(painter, project, best, best_end, axis, centre, labelled_ends);
        labelled_ends.insert(labelled_ends.end(), {edge[0], edge[1]});
        draw_edge_label(g.get(axes, kAxisLabels[axis]).text(), edge[0], edge[1], centre, painter);
    }
}

}  // namespace

Projection::Projection(const Graphics& g, Handle axes, PageRect area) {
    limits_ = {limits_of(g, axes, "XLim"), limits_of(g, axes, "YLim"), limits_of(g, axes, "ZLim")};
    plot_ = area;
    if (lower(g.get(axes, "AxesKind").text()) == "2d") {
        // Room for the y tick labels on the left, the x tick labels and label below, and the
        // title's lines and the y label above; a frame without tick labels (a small multiple)
        // keeps only the room its tick marks take.
        flat_ = true;
        const bool labelled = lower(g.get(axes, "TickLabels").text()) != "off";
        const double left = labelled ? label_width(7, kLabelSize) + kTickLength + 6 : 4;
        const double below = labelled ? 3.2 * kLabelSize + kTickLength : kTickLength + 3;
        const double above =
            (labelled ? 1.8 * kLabelSize : 4.0) +
            1.6 * kLabelSize * static_cast<double>(render::title_line_count(g, axes));
        const double right = labelled ? kLabelSize : 4;
        plot_ = {area.left + left, area.top + above, std::max(1.0, area.width - left - right),
                 std::max(1.0, area.height - above - below)};
        // Equal data units (a 2D shape): the frame keeps the data's proportions, centred.
        const bool equal = lower(g.get(axes, "UnitRatioMode").text()) == "manual";
        if (equal)
            keep_equal_units();
        legend_ = render::plan_flat_legend(g, axes, *this, area, plot_);
        if (equal)
            keep_equal_units();
        return;
    }
    const bool equal = lower(g.get(axes, "UnitRatioMode").text()) == "manual";
    double largest = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        centre_[k] = (limits_[k][0] + limits_[k][1]) / 2;
        largest = std::max(largest, limits_[k][1] - limits_[k][0]);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        // Equal data units: one scale for all axes. Otherwise each axis spans the unit cube.
        scale_[k] = equal ? 1.0 / largest : 1.0 / (limits_[k][1] - limits_[k][0]);
    }
    const Value view_value = g.get(axes, "View");
    const auto view = view_value.reals();
    const double az = (view.size() == 2 ? view[0] : kDefaultAzimuth) * kPi / 180.0;
    const double el = (view.size() == 2 ? view[1] : kDefaultElevation) * kPi / 180.0;
    right_[0] = std::cos(az);
    right_[1] = std::sin(az);
    right_[2] = 0.0;
    up_[0] = -std::sin(el) * std::sin(az);
    up_[1] = std::sin(el) * std::cos(az);
    up_[2] = std::cos(el);
    // The projected box, fitted into the area with room for the tick labels around it.
    double lo_x = std::numeric_limits<double>::infinity();
    double hi_x = -lo_x;
    double lo_y = lo_x;
    double hi_y = -lo_x;
    for (int k = 0; k < 8; ++k) {
        double b[3];
        for (int a = 0; a < 3; ++a) {
            const double v = limits_[static_cast<std::size_t>(a)][(k >> a) & 1];
            b[a] = (v - centre_[static_cast<std::size_t>(a)]) * scale_[static_cast<std::size_t>(a)];
        }
        const double px = right_[0] * b[0] + right_[1] * b[1] + right_[2] * b[2];
        const double py = up_[0] * b[0] + up_[1] * b[1] + up_[2] * b[2];
        lo_x = std::min(lo_x, px);
        hi_x = std::max(hi_x, px);
        lo_y = std::min(lo_y, py);
        hi_y = std::max(hi_y, py);
    }
    const double margin = 2.0 * kLabelSize + kTickLength + 8.0;
    // The legend takes a band beside or below when the box keeps its share; the box is fitted
    // into the rest.
    legend_ = render::plan_box_legend(
        g, axes, area, std::max(hi_x - lo_x, 1e-12) / std::max(hi_y - lo_y, 1e-12), margin);
    const double room_x = std::max(1.0, area.width - 2 * margin);
    const double room_y = std::max(1.0, area.height - 2 * margin);
    zoom_ = std::min(room_x / std::max(hi_x - lo_x, 1e-12), room_y / std::max(hi_y - lo_y, 1e-12));
    page_x_ = area.left + area.width / 2 - zoom_ * (lo_x + hi_x) / 2;
    page_y_ = area.top + area.height / 2 + zoom_ * (lo_y + hi_y) / 2;
}

void Projection::keep_equal_units() {
    const double span_x = limits_[0][1] - limits_[0][0];
    const double span_y = limits_[1][1] - limits_[1][0];
    if (!(span_x > 0) || !(span_y > 0))
        return;
    const double unit = std::min(plot_.width / span_x, plot_.height / span_y);
    const double width = unit * span_x, height = unit * span_y;
    plot_.left += (plot_.width - width) / 2;
    plot_.top += (plot_.height - height) / 2;
    plot_.width = width;
    plot_.height = height;
}

PagePoint Projection::operator()(double x, double y, double z) const {
    if (flat_) {
        return {plot_.left + (x - limits_[0][0]) / (limits_[0][1] - limits_[0][0]) * plot_.width,
                plot_.top + plot_.height -
                    (y - limits_[1][0]) / (limits_[1][1] - limits_[1][0]) * plot_.height};
    }
    const double b[3] = {(x - centre_[0]) * scale_[0], (y - centre_[1]) * scale_[1],
                         (z - centre_[2]) * scale_[2]};
    return {page_x_ + zoom_ * (right_[0] * b[0] + right_[1] * b[1] + right_[2] * b[2]),
            page_y_ - zoom_ * (up_[0] * b[0] + up_[1] * b[1] + up_[2] * b[2])};
}

PagePoint Projection::corner(int ix, int iy, int iz) const {
    return (*this)(limits_[0][static_cast<std::size_t>(ix)],
                   limits_[1][static_cast<std::size_t>(iy)],
                   limits_[2][static_cast<std::size_t>(iz)]);
}

PageRect figure_page(const Graphics& g, Handle figure) {
    const Rect r = g.pixel_position(figure);
    return {0, 0, r.width, r.height};
}

PageRect axes_area(const Graphics& g, Handle axes) {
    const std::optional<Handle> figure = g.figure_of(axes);
    const double page_height = figure ? g.pixel_position(*figure).height : 0.0;
    const Rect r = g.pixel_position(axes);
    return {r.left, page_height - r.bottom - r.height, r.width, r.height};
}

void render_axes(const Graphics& g, Handle axes, Painter& painter, PageRect area) {
    const Projection project(g, axes, area);
    const bool visible = lower(g.get(axes, "Visible").text()) != "off";
    if (visible) {
        const Rgb color = rgb_of(g.get(axes, "Color"), {1, 1, 1});
        const PagePoint corners[] = {{area.left, area.top},
                                     {area.left + area.width, area.top},
                                     {area.left + area.width, area.top + area.height},
                                     {area.left, area.top + area.height}};
        painter.polygon(corners, {color, 0.0, Dash::Solid}, color);
        if (project.flat())
            draw_flat_frame(g, axes, project, painter);
        else
            draw_box(g, axes, project, painter);
    }
    for (Handle line : g.children(axes))
        draw_line(g, line, project, painter);
    render::draw_line_labels(g, axes, project, painter);
    if (visible) {
        draw_title(g, axes, area, painter);
        draw_legend(g, axes, project, painter);
    }
}

void render_figure(const Graphics& g, Handle figure, Painter& painter) {
    painter.background(rgb_of(g.get(figure, "Color"), {1, 1, 1}));
    for (Handle child : g.children(figure)) {
        if (g.type(child) == ObjectType::Axes)
            render_axes(g, child, painter, axes_area(g, child));
    }
}

}  // namespace kelmar
