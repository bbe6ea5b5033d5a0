#include "draw_shapes.hpp"

#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"

#include <vector>

namespace kelmar {
namespace {

// Marker sizes in points: one configuration (a reference) large and filled, so that it stands out
// among specimens; the specimens of a sample small, so that two samples of some forty specimens
// each still read apart around each landmark.
constexpr double kSingleMarkerSize = 9.0;
constexpr double kSpecimenMarkerSize = 4.0;

void plot_configuration(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& c,
                        std::string_view dsymbol, bool single) {
    std::vector<double> xyz[3];
    for (int k = 0; k < 3; ++k)
        xyz[k].assign(c.col(k).data(), c.col(k).data() + c.rows());
    const Handle line = add_line(g, xyz[0], xyz[1], xyz[2], dsymbol);
    g.set(line, "MarkerSize", single ? kSingleMarkerSize : kSpecimenMarkerSize);
    if (single)
        g.set(line, "MarkerFaceColor", "auto");
}

}  // namespace

void draw_shapes(Graphics& g, const Stack& x, std::string_view dsymbol) {
    if (x.specimens() == 0) {
        throw Error("showshape3D needs at least one configuration, given a stack of none");
    }
    parse_plot_style(dsymbol);  // a bad style is refused before anything is drawn
    const bool single = x.specimens() == 1;
    plot_configuration(g, x.page(0), dsymbol, single);
    const Handle axes = current_axes(g);
    set_hold(g, axes, true);
    axis_mode(g, axes, "auto");
    axis_mode(g, axes, "equal");
    for (Eigen::Index k = 1; k < x.specimens(); ++k)
        plot_configuration(g, x.page(k), dsymbol, single);
}

void draw_shapes(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& x,
                 std::string_view dsymbol) {
    if (x.cols() != 3 || x.rows() == 0) {
        throw Error("showshape3D needs a configuration of p landmarks by 3 coordinates, given " +
                    std::to_string(x.rows()) + " x " + std::to_string(x.cols()));
    }
    draw_shapes(g, Stack::single(x), dsymbol);
}

void draw_reference_and_samples(Graphics& g, std::span<const StyledShapes> sets) {
    for (std::size_t k = 1; k < sets.size(); ++k)
        draw_shapes(g, sets[k].configurations, sets[k].style);
    if (!sets.empty())
        draw_shapes(g, sets.front().configurations, sets.front().style);
}

}  // namespace kelmar
