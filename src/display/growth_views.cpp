#include "growth_views.hpp"

#include "draw_wireframe.hpp"

#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kelmar {
namespace {

constexpr double kSpecimenMarker = 4.0;  // points
const Value kGrey = Value::row({0.6, 0.6, 0.6});

std::vector<double> values_of(const Eigen::Ref<const Eigen::VectorXd>& v) {
    return {v.data(), v.data() + v.size()};
}

// Limits a little wider than [lo, hi], and never empty.
Value padded(double lo, double hi) {
    const double pad = hi > lo ? 0.05 * (hi - lo) : std::max(std::fabs(lo) * 0.05, 1.0);
    return Value::row({lo - pad, hi + pad});
}

Handle line(Graphics& g, std::span<const double> x, std::span<const double> y,
            std::span<const double> z, const PlotStyle& style, const std::string& name = {}) {
    const Handle h = add_line(g, x, y, z, style);
    if (!name.empty())
        g.set(h, "DisplayName", name);
    return h;
}

// A 2D axes in the current figure at `position` (normalized), made the current axes.
Handle flat_axes(Graphics& g, const Value& position) {
    const Handle figure = *g.current_figure();
    const Handle axes =
        g.create(ObjectType::Axes, figure,
                 {{"Units", "normalized"}, {"Position", position}, {"AxesKind", "2d"}});
    g.set(figure, "CurrentAxes", axes);
    set_hold(g, axes, true);
    return axes;
}

void set_limits(Graphics& g, Handle axes, const Value& x, const Value& y) {
    g.set(axes, "XLim", x);
    g.set(axes, "YLim", y);
    g.set(axes, "XRangeMode", "manual");
    g.set(axes, "YRangeMode", "manual");
}

}  // namespace

PlotStyle sample_style(int number) {
    static constexpr PlotStyle kStyles[] = {
        {colors::red, Marker::diamond, LineStyle::none},
        {colors::blue, Marker::circle, LineStyle::none},
        {colors::magenta, Marker::square, LineStyle::none},
        {colors::cyan, Marker::triangle_up, LineStyle::none},
        {colors::black, Marker::triangle_down, LineStyle::none},
        {colors::yellow, Marker::triangle_right, LineStyle::none}};
    return kStyles[static_cast<std::size_t>(std::max(0, number - 1)) % std::size(kStyles)];
}

void draw_allometry(Graphics& g, const AllometryScores& scores, std::span<const std::string> names,
                    SizeVariable size) {
    if (g.current_figure() == std::nullopt)
        g.create_figure();
    const Handle axes = flat_axes(g, Value::row({0, 0, 1, 1}));
    double x_lo = std::numeric_limits<double>::infinity(), x_hi = -x_lo;
    double y_lo = x_lo, y_hi = -x_lo;
    for (std::size_t k = 0; k < scores.samples.size(); ++k) {
        const AllometryScores::Sample& s = scores.samples[k];
        const PlotStyle style = sample_style(static_cast<int>(k + 1));
        const std::vector<double> x = values_of(s.sizes);
        const std::vector<double> y = values_of(s.scores);
        const std::vector<double> zero(x.size(), 0.0);
        const Handle markers = line(
            g, x, y, zero, style, k < names.size() ? names[k] : "sample " + std::to_string(k + 1));
        g.set(markers, "MarkerSize", kSpecimenMarker);
        // The sample's line over its own size range.
        const double lo = s.sizes.minCoeff();
        const double hi = s.sizes.maxCoeff();
        const double ends_x[] = {lo, hi};
        const double ends_y[] = {s.mean_score + s.slope * (lo - s.mean_size),
                                 s.mean_score + s.slope * (hi - s.mean_size)};
        const double ends_z[] = {0, 0};
        line(g, ends_x, ends_y, ends_z, {style.color, Marker::none, LineStyle::solid});
        x_lo = std::min(x_lo, lo);
        x_hi = std::max(x_hi, hi);
        y_lo = std::min({y_lo, s.scores.minCoeff(), ends_y[0], ends_y[1]});
        y_hi = std::max({y_hi, s.scores.maxCoeff(), ends_y[0], ends_y[1]});
    }
    set_limits(g, axes, padded(x_lo, x_hi), padded(y_lo, y_hi));
    g.set(axes, "XLabel",
          size == SizeVariable::log_centroid_size ? "log centroid size" : "centroid size");
    g.set(axes, "YLabel",
          scores.common_direction ? "shape score on the common growth direction"
                                  : "shape score on the sample's own growth direction");
    // Without a common reference the samples share no origin and no direction: their heights
    // cannot be compared, and the title says so.
    g.set(axes, "Title",
          scores.common_direction
              ? "Allometry: shape against size"
              : "Allometry: each sample on its own reference and growth vector");
    g.set(axes, "Legend", "on");
}

void draw_growth_change(Graphics& g, const GrowthChange& change,
                        const Eigen::Ref<const Eigen::MatrixXd>& wirelist, double magnification,
                        std::span<const std::string> names) {
    if (!(magnification >= kMinMagnification && magnification <= kMaxMagnification)) {
        throw Error("the magnification must be a number from " + shortest_text(kMinMagnification) +
                    " to " + shortest_text(kMaxMagnification) + ", given " +
                    shortest_text(magnification));
    }
    // 2D landmarks are drawn flat, on z = 0.
    const bool flat = change.reference.cols() == 2;
    const Eigen::MatrixXd ref = with_z(change.reference);
    const auto wire_ends = [&](Eigen::Index row, const Eigen::MatrixXd& shape, double(&x)[2],
                               double(&y)[2], double(&z)[2]) {
        const double a = wirelist(row, 1), b = wirelist(row, 2);
        if (!(a >= 1 && b >= 1 && a <= static_cast<double>(shape.rows()) &&
              b <= static_cast<double>(shape.rows())))
            return false;
        const auto i = static_cast<Eigen::Index>(a) - 1, j = static_cast<Eigen::Index>(b) - 1;
        x[0] = shape(i, 0), x[1] = shape(j, 0);
        y[0] = shape(i, 1), y[1] = shape(j, 1);
        z[0] = shape(i, 2), z[1] = shape(j, 2);
        return true;
    };
    const Handle axes = current_axes(g);
    set_hold(g, axes, true);
    // The reference in grey, with its wireframe.
    const std::vector<double> rx = values_of(ref.col(0)), ry = values_of(ref.col(1)),
                              rz = values_of(ref.col(2));
    const Handle reference =
        line(g, rx, ry, rz, {colors::black, Marker::circle, LineStyle::none}, "reference");
    g.set(reference, "Color", kGrey);
    g.set(reference, "MarkerSize", kSpecimenMarker);
    const bool wired = wirelist.cols() >= 3;
    for (Eigen::Index w = 0; wired && w < wirelist.rows(); ++w) {
        double x[2], y[2], z[2];
        if (wire_ends(w, ref, x, y, z))
            g.set(line(g, x, y, z, {colors::black, Marker::none, LineStyle::solid},
                       "reference wireframe"),
                  "Color", kGrey);
    }
    for (std::size_t k = 0; k < change.change.size(); ++k) {
        const PlotStyle style = sample_style(static_cast<int>(k + 1));
        const std::string name = k < names.size() ? names[k] : "sample " + std::to_string(k + 1);
        const Eigen::MatrixXd moved = ref + magnification * with_z(change.change[k]);
        for (Eigen::Index p = 0; p < ref.rows(); ++p) {
            const double x[] = {ref(p, 0), moved(p, 0)};
            const double y[] = {ref(p, 1), moved(p, 1)};
            const double z[] = {ref(p, 2), moved(p, 2)};
            const Handle arrow =
                line(g, x, y, z, {style.color, style.marker, LineStyle::solid}, name);
            g.set(arrow, "MarkerAt", "end");
            g.set(arrow, "MarkerSize", kSpecimenMarker);
        }
        for (Eigen::Index w = 0; wired && w < wirelist.rows(); ++w) {
            double x[2], y[2], z[2];
            if (wire_ends(w, moved, x, y, z))
                line(g, x, y, z, {style.color, Marker::none, LineStyle::dashed});
        }
    }
    axis_mode(g, axes, "auto");
    axis_mode(g, axes, "equal");
    fill_figure(g, axes);
    if (flat)
        g.set(axes, "AxesKind", "2d");
    g.set(axes, "XLabel", "x");
    g.set(axes, "YLabel", "y");
    if (!flat)
        g.set(axes, "ZLabel", "z");
    g.set(axes, "Title",
          "Growth over each sample's size range" +
              (magnification == 1.0 ? std::string(", not magnified")
                                    : ", magnified " + shortest_text(magnification) + " times"));
    g.set(axes, "Legend", "on");
}

double default_magnification(const GrowthChange& change) {
    const Eigen::MatrixXd& ref = change.reference;
    double length = 0.0;
    for (Eigen::Index i = 0; i < ref.rows(); ++i) {
        for (Eigen::Index j = i + 1; j < ref.rows(); ++j)
            length = std::max(length, (ref.row(i) - ref.row(j)).norm());
    }
    double longest = 0.0;
    for (const Eigen::MatrixXd& moves : change.change)
        longest = std::max(longest, moves.rowwise().norm().maxCoeff());
    if (!(longest > 0.0) || !(length > 0.0))
        return 1.0;
    const double wanted = length / (5.0 * longest);
    // The largest of 1, 2, 5, 10, 20, … not above the wanted factor.
    double m = 1.0;
    for (double decade = 1.0; decade <= kMaxMagnification; decade *= 10.0) {
        for (double step : {1.0, 2.0, 5.0}) {
            if (step * decade <= wanted && step * decade <= kMaxMagnification)
                m = step * decade;
        }
    }
    return m;
}

std::vector<Eigen::Index> histogram_counts(const Eigen::Ref<const Eigen::VectorXd>& values,
                                           const HistogramBins& bins) {
    std::vector<Eigen::Index> counts(
        static_cast<std::size_t>(std::max<Eigen::Index>(bins.count, 1)), 0);
    for (double v : values) {
        if (!std::isfinite(v))
            continue;
        const double at = std::floor(std::max(0.0, (v - bins.origin) / bins.width));
        const auto bin =
            static_cast<std::size_t>(std::min(at, static_cast<double>(counts.size() - 1)));
        ++counts[bin];
    }
    return counts;
}

HistogramBins freedman_diaconis_bins(const Eigen::Ref<const Eigen::VectorXd>& values) {
    std::vector<double> v;
    for (double x : values) {
        if (std::isfinite(x))
            v.push_back(x);
    }
    if (v.empty())
        return {0.0, 1.0, 1};
    std::sort(v.begin(), v.end());
    const auto quantile = [&](double q) {
        const double at = q * static_cast<double>(v.size() - 1);
        const auto below = static_cast<std::size_t>(std::floor(at));
        const std::size_t above = std::min(below + 1, v.size() - 1);
        return v[below] + (at - static_cast<double>(below)) * (v[above] - v[below]);
    };
    const double lo = v.front(), hi = v.back();
    const double n = static_cast<double>(v.size());
    double width = 2.0 * (quantile(0.75) - quantile(0.25)) / std::cbrt(n);
    if (!(width > 0.0))
        width = (hi - lo) / std::max(1.0, std::sqrt(n));  // half the values or more are equal
    if (!(width > 0.0))
        width = std::max(std::fabs(lo) * 0.05, 0.05);  // all equal: one narrow bar
    // Between 5 and 60 bars over the values: fewer say nothing of the shape, more are noise.
    width = std::clamp(width, (hi - lo) / 60.0, std::max((hi - lo) / 5.0, 1e-300));
    const double origin = std::max(0.0, std::floor(lo / width) * width);
    const auto count = static_cast<Eigen::Index>(std::floor((hi - origin) / width)) + 1;
    return {origin, width, count};
}

namespace {

// One histogram's bars in the current axes, each a filled rectangle.
void bars(Graphics& g, const std::vector<Eigen::Index>& counts, const HistogramBins& bins,
          const Value& fill, const Value& edge, const std::string& name) {
    for (std::size_t b = 0; b < counts.size(); ++b) {
        if (counts[b] == 0)
            continue;
        const double lo = bins.origin + bins.width * static_cast<double>(b), hi = lo + bins.width;
        const double c = static_cast<double>(counts[b]);
        const double x[] = {lo, hi, hi, lo}, y[] = {0, 0, c, c}, z[] = {0, 0, 0, 0};
        const Handle bar = line(g, x, y, z, PlotStyle{}, name);
        g.set(bar, "FillColor", fill);
        g.set(bar, "Color", edge);
    }
}

// A vertical line at `at` from 0 to `height`, with its label below its top end.
void vertical(Graphics& g, double at, double height, LineStyle dashes, const Value& color,
              const std::string& name, const std::string& label) {
    const double x[] = {at, at}, y[] = {0, height}, z[] = {0, 0};
    const Handle h = line(g, x, y, z, {colors::blue, Marker::none, dashes}, name);
    g.set(h, "LineWidth", 1.5);
    g.set(h, "Color", color);
    g.set(h, "Label", label);
}

Value colour_of(const PlotStyle& style) {
    return Value::row({style.color[0], style.color[1], style.color[2]});
}

// One panel's place on the figure (normalized) and whether it is a small multiple.
struct PanelPlace {
    double left, bottom, width, height;
    bool small;
};

// `n` panels in `rows` rows within the band from `bottom` up `height`: the rows share the band's
// height, a row's panels its width, the first rows taking one panel more when `n` does not divide
// evenly, so that no space stays empty.
void fill_rows(std::vector<PanelPlace>& places, std::size_t n, std::size_t rows, double bottom,
               double height, bool small) {
    const std::size_t base = n / rows, extra = n % rows;
    const double h = height / static_cast<double>(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t in_row = base + (r < extra ? 1 : 0);
        const double w = 1.0 / static_cast<double>(in_row);
        for (std::size_t c = 0; c < in_row; ++c)
            places.push_back({w * static_cast<double>(c),
                              bottom + height - h * static_cast<double>(r + 1), w, h, small});
    }
}

// The rows for `n` panels of at least `min_w` × `min_h` pixels in `width` × `height` that make
// them nearest a 4:3 shape; 0 when they cannot fit.
std::size_t best_rows(std::size_t n, double width, double height, double min_w, double min_h) {
    std::size_t best = 0;
    double best_misfit = HUGE_VAL;
    for (std::size_t rows = 1; rows <= n; ++rows) {
        const std::size_t columns = (n + rows - 1) / rows;
        const double w = width / static_cast<double>(columns),
                     h = height / static_cast<double>(rows);
        if (w < min_w || h < min_h)
            continue;
        const double misfit = std::fabs(std::log(w / h / (4.0 / 3.0)));
        if (misfit < best_misfit) {
            best_misfit = misfit;
            best = rows;
        }
    }
    return best;
}

constexpr double kPanelWidth = 180, kPanelHeight = 160;  // pixels a full panel needs
constexpr double kSmallWidth = 70, kSmallHeight = 55;    // and a small multiple

// Where each panel goes on a `width` × `height` figure: all as full panels when they fit; else
// the samples' panels full in at most the top 55 % and the pairs' as small multiples below;
// else every panel a small multiple.
std::vector<PanelPlace> panel_places(std::size_t samples, std::size_t pairs, double width,
                                     double height) {
    std::vector<PanelPlace> places;
    const std::size_t n = samples + pairs;
    if (const std::size_t rows = best_rows(n, width, height, kPanelWidth, kPanelHeight)) {
        fill_rows(places, n, rows, 0.0, 1.0, false);
        return places;
    }
    const auto per_row = static_cast<std::size_t>(std::max(1.0, std::floor(width / kPanelWidth)));
    const std::size_t sample_rows = (samples + per_row - 1) / per_row;
    const double share = static_cast<double>(sample_rows) * kPanelHeight / std::max(height, 1.0);
    if (pairs > 0 && share <= 0.55) {
        if (const std::size_t rows =
                best_rows(pairs, width, height * (1.0 - share), kSmallWidth, kSmallHeight)) {
            fill_rows(places, samples, sample_rows, 1.0 - share, share, false);
            fill_rows(places, pairs, rows, 0.0, 1.0 - share, true);
            return places;
        }
    }
    std::size_t rows = best_rows(n, width, height, kSmallWidth, kSmallHeight);
    if (rows == 0)  // smaller still than small multiples: a square grid
        rows = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(n))));
    fill_rows(places, n, rows, 0.0, 1.0, true);
    return places;
}

}  // namespace

void draw_distributions(Graphics& g, const AngleDistributions& d,
                        std::span<const std::string> names) {
    if (g.current_figure() == std::nullopt)
        g.create_figure();
    const Handle figure = *g.current_figure();
    const std::size_t k = d.bootstrap.size();
    const std::size_t panels = k + d.permuted.size();
    if (panels == 0)
        throw Error("there are no angles to show");
    const Rect page = g.pixel_position(figure);
    const std::vector<PanelPlace> places =
        panel_places(k, d.permuted.size(), page.width, page.height);
    const Value black = Value::row({0, 0, 0}), grey = Value::row({0.4, 0.4, 0.4});
    for (std::size_t panel = 0; panel < panels; ++panel) {
        const PanelPlace& at = places[panel];
        const Handle axes = flat_axes(g, Value::row({at.left, at.bottom, at.width, at.height}));
        // Each panel's own bins and scales, from its own angles; the x axis from 0 to beyond
        // the last bar and every marked angle.
        const Eigen::VectorXd& angles =
            panel < k ? d.bootstrap[panel] : d.permuted[panel - k].angles;
        const HistogramBins bins = freedman_diaconis_bins(angles);
        const std::vector<Eigen::Index> counts = histogram_counts(angles, bins);
        const double tallest = static_cast<double>(
            std::max<Eigen::Index>(1, *std::max_element(counts.begin(), counts.end())));
        // Room above the bars for the lines' labels.
        const double top = (at.small ? 1.1 : 1.6) * tallest;
        double x_end = bins.origin + bins.width * static_cast<double>(bins.count);
        if (panel < k) {
            const int number = static_cast<int>(panel + 1);
            const PlotStyle style = sample_style(number);
            const Value colour = colour_of(style);
            const auto& c = style.color;
            const Value light = Value::row({0.6 + 0.4 * c[0], 0.6 + 0.4 * c[1], 0.6 + 0.4 * c[2]});
            bars(g, counts, bins, light, colour, "bootstrap angles");
            // The three range ends told apart by their dashes and labels.
            const Eigen::Vector3d& r = d.ranges[panel];
            const LineStyle dashes[] = {LineStyle::dotted, LineStyle::dash_dot, LineStyle::dashed};
            const char* percents[] = {"80", "90", "95"};
            for (int q = 0; q < 3; ++q) {
                vertical(g, r(q), top, dashes[q], colour, std::string(percents[q]) + " %",
                         at.small ? "" : percents[q]);
                x_end = std::max(x_end, r(q));
            }
            // The observed angles to the other samples, each in that sample's colour and named
            // by its number; the angle to isometry in black.
            const auto row = static_cast<Eigen::Index>(panel);
            for (Eigen::Index other = 0; other < d.observed.cols(); ++other) {
                if (!d.isometry && other == row)
                    continue;
                const double angle = d.observed(row, other);
                const int to = static_cast<int>(other + 1);
                vertical(g, angle, top, LineStyle::solid,
                         d.isometry ? black : colour_of(sample_style(to)),
                         d.isometry ? "angle to isometry" : "angle to sample " + std::to_string(to),
                         at.small     ? ""
                         : d.isometry ? "isometry"
                                      : "to " + std::to_string(to));
                x_end = std::max(x_end, angle);
            }
            const std::string name = panel < names.size() ? names[panel] : "";
            g.set(axes, "Title",
                  at.small ? "sample " + std::to_string(number)
                           : "sample " + std::to_string(number) + " bootstrap" +
                                 (name.empty() ? std::string() : ": " + name));
        } else {
            const AngleDistributions::Permuted& p = d.permuted[panel - k];
            bars(g, counts, bins, Value::row({0.8, 0.8, 0.8}), grey, "permuted angles");
            vertical(g, p.observed, top, LineStyle::solid, black, "observed angle",
                     at.small ? "" : "observed");
            vertical(g, p.ucl95, top, LineStyle::dashed, Value::row({1, 0, 0}), "UCL95",
                     at.small ? "" : "UCL95");
            x_end = std::max({x_end, p.observed, p.ucl95});
            g.set(axes, "Title",
                  at.small ? std::to_string(p.a) + " & " + std::to_string(p.b)
                           : "samples " + std::to_string(p.a) + " and " + std::to_string(p.b) +
                                 ": permuted angles");
        }
        set_limits(g, axes, Value::row({0, 1.04 * x_end}), Value::row({0, top}));
        if (at.small) {
            // Without tick labels the title gives the angles the frame spans.
            g.set(axes, "TickLabels", "off");
            g.set(axes, "Title",
                  g.get(axes, "Title").text() + " (0\u2013" +
                      shortest_text(std::round(1.04 * x_end)) + "\u00b0)");
        } else {
            g.set(axes, "XLabel", "angle (degrees)");
            g.set(axes, "YLabel", "replicates");
        }
    }
}

void draw_shape_space(Graphics& g, const ShapeSpace& space, Eigen::Index i, Eigen::Index j,
                      std::span<const std::string> names) {
    check_components(space, {i, j}, "the shape space");
    if (std::max(i, j) > space.scores.cols())
        throw Error("the shape space kept the scores of its first " +
                    std::to_string(space.scores.cols()) + " components only");
    if (g.current_figure() == std::nullopt)
        g.create_figure();
    const Handle axes = flat_axes(g, Value::row({0, 0, 1, 1}));
    const Eigen::VectorXd x_all = space.scores.col(i - 1);
    const Eigen::VectorXd y_all = space.scores.col(j - 1);
    const std::vector<Trajectory> lines = trajectories(space, i - 1, j - 1);
    double x_lo = x_all.minCoeff(), x_hi = x_all.maxCoeff();
    double y_lo = y_all.minCoeff(), y_hi = y_all.maxCoeff();
    for (const Trajectory& t : lines) {
        x_lo = std::min({x_lo, t.from.x(), t.to.x()});
        x_hi = std::max({x_hi, t.from.x(), t.to.x()});
        y_lo = std::min({y_lo, t.from.y(), t.to.y()});
        y_hi = std::max({y_hi, t.from.y(), t.to.y()});
    }
    // An arrowhead a thirtieth of the larger range long, its sides 25 degrees off the line.
    const double head = std::max(x_hi - x_lo, y_hi - y_lo) / 30.0;
    const double spread = 25.0 * std::numbers::pi / 180.0;
    for (std::size_t k = 0; k < space.first.size(); ++k) {
        const PlotStyle style = sample_style(static_cast<int>(k + 1));
        const Eigen::Index first = space.first[k];
        const Eigen::Index count = space.count[k];
        const std::vector<double> x = values_of(x_all.segment(first, count));
        const std::vector<double> y = values_of(y_all.segment(first, count));
        const std::vector<double> zero(x.size(), 0.0);
        const Handle markers = line(
            g, x, y, zero, style, k < names.size() ? names[k] : "sample " + std::to_string(k + 1));
        g.set(markers, "MarkerSize", kSpecimenMarker);
        const Trajectory& t = lines[k];
        const PlotStyle solid{style.color, Marker::none, LineStyle::solid};
        const double ends_x[] = {t.from.x(), t.to.x()};
        const double ends_y[] = {t.from.y(), t.to.y()};
        const double ends_z[] = {0, 0};
        line(g, ends_x, ends_y, ends_z, solid);
        const Eigen::Vector2d along = t.to - t.from;
        if (along.norm() > 0.0) {
            const double angle = std::atan2(along.y(), along.x());
            for (const double side :
                 {angle + std::numbers::pi - spread, angle + std::numbers::pi + spread}) {
                const double head_x[] = {t.to.x(), t.to.x() + head * std::cos(side)};
                const double head_y[] = {t.to.y(), t.to.y() + head * std::sin(side)};
                line(g, head_x, head_y, ends_z, solid);
            }
        }
    }
    set_limits(g, axes, padded(x_lo, x_hi), padded(y_lo, y_hi));
    axis_mode(g, axes, "equal");
    const auto label = [&](Eigen::Index c) {
        return "PC" + std::to_string(c) + " (" +
               format_text("%.1f", {100.0 * space.shares(c - 1)}) + " %)";
    };
    g.set(axes, "XLabel", label(i));
    g.set(axes, "YLabel", label(j));
    g.set(axes, "Title",
          space.form_space ? "Form space: shape and log size, with each sample's trajectory"
                           : "Shape space, with each sample's trajectory");
    g.set(axes, "Legend", "on");
}

}  // namespace kelmar
