#include "draw_shapes.hpp"

#include "draw_wireframe.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"

#include <vector>

namespace kelmar {
namespace {

// The lines of the current axes so far.
std::size_t current_axes_lines(Graphics& g) {
    return g.children(current_axes(g)).size();
}

// Names every line of the current axes from the `first`-th on.
void name_lines_from(Graphics& g, std::size_t first, std::string_view name) {
    const std::vector<Handle> lines = g.children(current_axes(g));
    for (std::size_t k = first; k < lines.size(); ++k)
        g.set(lines[k], "DisplayName", std::string(name));
}

// Marker sizes in points: one configuration (a reference) large and filled, so that it stands out
// among specimens; the specimens of a sample small, so that two samples of some forty specimens
// each still read apart around each landmark.
constexpr double kSingleMarkerSize = 9.0;
constexpr double kSpecimenMarkerSize = 4.0;

void plot_configuration(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& c,
                        const PlotStyle& style, bool single) {
    const Eigen::MatrixXd shape = with_z(c);
    std::vector<double> xyz[3];
    for (int k = 0; k < 3; ++k)
        xyz[k].assign(shape.col(k).data(), shape.col(k).data() + shape.rows());
    const Handle line = add_line(g, xyz[0], xyz[1], xyz[2], style);
    g.set(line, "MarkerSize", single ? kSingleMarkerSize : kSpecimenMarkerSize);
    if (single)
        g.set(line, "MarkerFaceColor", "auto");
}

}  // namespace

void draw_shapes(Graphics& g, const Stack& x, const PlotStyle& style) {
    if (x.specimens() == 0) {
        throw Error("showshape3D needs at least one configuration, given a stack of none");
    }
    const bool single = x.specimens() == 1;
    plot_configuration(g, x.page(0), style, single);
    const Handle axes = current_axes(g);
    if (x.dimensions() == 2)
        g.set(axes, "AxesKind", "2d");  // a flat frame: nothing to turn
    set_hold(g, axes, true);
    axis_mode(g, axes, "auto");
    axis_mode(g, axes, "equal");
    for (Eigen::Index k = 1; k < x.specimens(); ++k)
        plot_configuration(g, x.page(k), style, single);
}

void draw_shapes(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& x, const PlotStyle& style) {
    if (x.cols() != 3 || x.rows() == 0) {
        throw Error("showshape3D needs a configuration of p landmarks by 3 coordinates, given " +
                    std::to_string(x.rows()) + " x " + std::to_string(x.cols()));
    }
    draw_shapes(g, Stack::single(x), style);
}

namespace {

// The look of each set of a load's drawing: the reference as green pentagrams, sample 1 in
// red circles on its own reference and red diamonds on the common one, sample 2 in blue circles.
PlotStyle look_of(Drawing::Shapes::Role role) {
    using Role = Drawing::Shapes::Role;
    switch (role) {
        case Role::reference:
            return {colors::green, Marker::pentagram, LineStyle::none};
        case Role::sample_1:
            return {colors::red, Marker::circle, LineStyle::none};
        case Role::sample_2:
            return {colors::blue, Marker::circle, LineStyle::none};
        case Role::sample_1_on_common_reference:
            return {colors::red, Marker::diamond, LineStyle::none};
    }
    return {};
}

// Draws one set and names its lines. A set with estimated landmarks draws its present landmarks
// filled and each specimen's estimated ones as one hollow line more.
void draw_named(Graphics& g, const Drawing::Shapes& set) {
    const std::size_t before = current_axes_lines(g);
    const PlotStyle style = look_of(set.role);
    draw_shapes(g, set.configurations, style);
    if (!set.estimated.empty()) {
        const std::vector<Handle> lines = g.children(current_axes(g));
        for (std::size_t k = before; k < lines.size(); ++k)
            g.set(lines[k], "MarkerFaceColor", "auto");
        const Stack& x = set.configurations;
        for (std::size_t e = 0; e < set.estimated.size();) {
            const Eigen::Index page = set.estimated[e].specimen;
            Eigen::MatrixXd points(0, x.dimensions());
            for (; e < set.estimated.size() && set.estimated[e].specimen == page; ++e) {
                points.conservativeResize(points.rows() + 1, Eigen::NoChange);
                points.row(points.rows() - 1) = x.page(page).row(set.estimated[e].landmark);
            }
            plot_configuration(g, points, style, false);
        }
    }
    name_lines_from(g, before, set.label);
}

}  // namespace

void draw_superimposed(Graphics& g, std::span<const Drawing::Shapes> sets,
                       const Eigen::Ref<const Eigen::MatrixXd>& wire_on,
                       const Eigen::Ref<const Eigen::MatrixXd>& wirelist) {
    for (std::size_t k = 1; k < sets.size(); ++k)
        draw_named(g, sets[k]);
    if (!sets.empty())
        draw_named(g, sets.front());
    const Handle axes = current_axes(g);
    if (wire_on.size() > 0) {
        const std::size_t before = current_axes_lines(g);
        draw_wireframe(g, wire_on, wirelist, {colors::black, Marker::none, LineStyle::solid});
        name_lines_from(g, before, "wireframe");
    }
    fill_figure(g, axes);
    g.set(axes, "XLabel", "x");
    g.set(axes, "YLabel", "y");
    if (sets.empty() || sets.front().configurations.dimensions() == 3)
        g.set(axes, "ZLabel", "z");
    g.set(axes, "Legend", "on");
}

}  // namespace kelmar
