#include "growth_views.hpp"

#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>

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
            std::span<const double> z, std::string_view style, const std::string& name = {}) {
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

std::string sample_style(int number) {
    static constexpr const char* kStyles[] = {"rd", "bo", "ms", "c^", "kv", "y>"};
    return kStyles[static_cast<std::size_t>(std::max(0, number - 1)) % std::size(kStyles)];
}

void draw_allometry(Graphics& g, const AllometryScores& scores, std::span<const std::string> names,
                    bool log_size) {
    if (g.current_figure() == std::nullopt)
        g.create_figure();
    const Handle axes = flat_axes(g, Value::row({0, 0, 1, 1}));
    double x_lo = std::numeric_limits<double>::infinity(), x_hi = -x_lo;
    double y_lo = x_lo, y_hi = -x_lo;
    for (std::size_t k = 0; k < scores.samples.size(); ++k) {
        const AllometryScores::Sample& s = scores.samples[k];
        const std::string style = sample_style(static_cast<int>(k + 1));
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
        line(g, ends_x, ends_y, ends_z, style.substr(0, 1) + "-");
        x_lo = std::min(x_lo, lo);
        x_hi = std::max(x_hi, hi);
        y_lo = std::min({y_lo, s.scores.minCoeff(), ends_y[0], ends_y[1]});
        y_hi = std::max({y_hi, s.scores.maxCoeff(), ends_y[0], ends_y[1]});
    }
    set_limits(g, axes, padded(x_lo, x_hi), padded(y_lo, y_hi));
    g.set(axes, "XLabel", log_size ? "log centroid size" : "centroid size");
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
    const Eigen::MatrixXd& ref = change.reference;
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
    const Handle reference = line(g, rx, ry, rz, "ko", "reference");
    g.set(reference, "Color", kGrey);
    g.set(reference, "MarkerSize", kSpecimenMarker);
    const bool wired = wirelist.cols() >= 3;
    for (Eigen::Index w = 0; wired && w < wirelist.rows(); ++w) {
        double x[2], y[2], z[2];
        if (wire_ends(w, ref, x, y, z))
            g.set(line(g, x, y, z, "k-", "reference wireframe"), "Color", kGrey);
    }
    for (std::size_t k = 0; k < change.change.size(); ++k) {
        const std::string style = sample_style(static_cast<int>(k + 1));
        const std::string name = k < names.size() ? names[k] : "sample " + std::to_string(k + 1);
        const Eigen::MatrixXd moved = ref + magnification * change.change[k];
        for (Eigen::Index p = 0; p < ref.rows(); ++p) {
            const double x[] = {ref(p, 0), moved(p, 0)};
            const double y[] = {ref(p, 1), moved(p, 1)};
            const double z[] = {ref(p, 2), moved(p, 2)};
            const Handle arrow = line(g, x, y, z, style + "-", name);
            g.set(arrow, "MarkerAt", "end");
            g.set(arrow, "MarkerSize", kSpecimenMarker);
        }
        for (Eigen::Index w = 0; wired && w < wirelist.rows(); ++w) {
            double x[2], y[2], z[2];
            if (wire_ends(w, moved, x, y, z))
                line(g, x, y, z, style.substr(0, 1) + "--");
        }
    }
    axis_mode(g, axes, "auto");
    axis_mode(g, axes, "equal");
    g.set(axes, "XLabel", "x");
    g.set(axes, "YLabel", "y");
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
                                           double width, Eigen::Index bins) {
    std::vector<Eigen::Index> counts(static_cast<std::size_t>(std::max<Eigen::Index>(bins, 1)), 0);
    for (double v : values) {
        if (!std::isfinite(v))
            continue;
        const double at = std::floor(std::max(0.0, v) / width);
        const auto bin =
            static_cast<std::size_t>(std::min(at, static_cast<double>(counts.size() - 1)));
        ++counts[bin];
    }
    return counts;
}

namespace {

// One histogram's bars in the current axes, each a filled rectangle.
void bars(Graphics& g, const std::vector<Eigen::Index>& counts, double width, const Value& fill,
          const Value& edge, const std::string& name) {
    for (std::size_t b = 0; b < counts.size(); ++b) {
        if (counts[b] == 0)
            continue;
        const double lo = width * static_cast<double>(b), hi = lo + width;
        const double c = static_cast<double>(counts[b]);
        const double x[] = {lo, hi, hi, lo}, y[] = {0, 0, c, c}, z[] = {0, 0, 0, 0};
        const Handle bar = line(g, x, y, z, "-", name);
        g.set(bar, "FillColor", fill);
        g.set(bar, "Color", edge);
    }
}

void vertical(Graphics& g, double at, double height, std::string_view style,
              const std::string& name) {
    const double x[] = {at, at}, y[] = {0, height}, z[] = {0, 0};
    g.set(line(g, x, y, z, style, name), "LineWidth", 1.5);
}

}  // namespace

void draw_distributions(Graphics& g, const AngleDistributions& d,
                        std::span<const std::string> names) {
    if (g.current_figure() == std::nullopt)
        g.create_figure();
    const std::size_t k = d.bootstrap.size();
    const std::size_t panels = k + d.permuted.size();
    if (panels == 0)
        throw Error("there are no angles to show");
    // Shared axes: every angle from 0 to the largest, in bins of a fifth of a tick step.
    double largest = 0;
    for (const Eigen::VectorXd& v : d.bootstrap)
        largest = std::max(largest, v.array().isFinite().any() ? v.maxCoeff() : 0.0);
    for (const auto& p : d.permuted)
        largest = std::max({largest, p.angles.maxCoeff(), p.ucl95});
    largest = std::max({largest, d.observed.size() > 0 ? d.observed.maxCoeff() : 0.0, 1.0});
    const double width = tick_step(0, largest) / 5;
    const auto bins = static_cast<Eigen::Index>(std::ceil(largest / width)) + 1;
    std::vector<std::vector<Eigen::Index>> counts;
    Eigen::Index tallest = 1;
    for (const Eigen::VectorXd& v : d.bootstrap)
        counts.push_back(histogram_counts(v, width, bins));
    for (const auto& p : d.permuted)
        counts.push_back(histogram_counts(p.angles, width, bins));
    for (const auto& c : counts)
        tallest = std::max(tallest, *std::max_element(c.begin(), c.end()));
    const Value x_limits = Value::row({0, width * static_cast<double>(bins)});
    const Value y_limits = Value::row({0, 1.15 * static_cast<double>(tallest)});
    const auto columns =
        static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(panels))));
    const std::size_t rows = (panels + columns - 1) / columns;
    for (std::size_t panel = 0; panel < panels; ++panel) {
        const double w = 1.0 / static_cast<double>(columns), h = 1.0 / static_cast<double>(rows);
        const double left = w * static_cast<double>(panel % columns);
        const double bottom = 1.0 - h * static_cast<double>(panel / columns + 1);
        const Handle axes = flat_axes(g, Value::row({left, bottom, w, h}));
        set_limits(g, axes, x_limits, y_limits);
        const double top = 1.15 * static_cast<double>(tallest);
        if (panel < k) {
            const std::string style = sample_style(static_cast<int>(panel + 1));
            const PlotStyle look = parse_plot_style(style);
            const Value colour = Value::row({look.color[0], look.color[1], look.color[2]});
            const Value light = Value::row(
                {0.6 + 0.4 * look.color[0], 0.6 + 0.4 * look.color[1], 0.6 + 0.4 * look.color[2]});
            bars(g, counts[panel], width, light, colour, "bootstrap angles");
            const Eigen::Vector3d& r = d.ranges[panel];
            for (int q = 0; q < 3; ++q)
                vertical(g, r(q), top, style.substr(0, 1) + "--", "80, 90 and 95 %");
            const auto g_row = static_cast<Eigen::Index>(panel);
            for (Eigen::Index other = 0; other < d.observed.cols(); ++other) {
                if (d.isometry || other != g_row)
                    vertical(g, d.observed(g_row, other), top, "k-",
                             d.isometry ? "angle to isometry" : "observed angle");
            }
            const std::string name = panel < names.size() ? names[panel] : "";
            g.set(axes, "Title",
                  "sample " + std::to_string(panel + 1) + " bootstrap" +
                      (name.empty() ? std::string() : ": " + name));
        } else {
            const AngleDistributions::Permuted& p = d.permuted[panel - k];
            bars(g, counts[panel], width, Value::row({0.8, 0.8, 0.8}), Value::row({0.4, 0.4, 0.4}),
                 "permuted angles");
            vertical(g, p.observed, top, "k-", "observed angle");
            vertical(g, p.ucl95, top, "r--", "UCL95");
            g.set(axes, "Title",
                  "samples " + std::to_string(p.a) + " and " + std::to_string(p.b) +
                      ": permutations");
        }
        g.set(axes, "XLabel", "angle (degrees)");
        g.set(axes, "YLabel", "replicates");
        g.set(axes, "Legend", "on");
    }
}

}  // namespace kelmar
