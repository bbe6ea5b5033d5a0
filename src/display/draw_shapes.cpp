#include "draw_shapes.hpp"

#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"

#include <vector>

namespace kelmar {
namespace {

void plot_configuration(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& c,
                        std::string_view dsymbol) {
    std::vector<double> xyz[3];
    for (int k = 0; k < 3; ++k)
        xyz[k].assign(c.col(k).data(), c.col(k).data() + c.rows());
    add_line(g, xyz[0], xyz[1], xyz[2], dsymbol);
}

}  // namespace

void draw_shapes(Graphics& g, const Stack& x, std::string_view dsymbol) {
    if (x.specimens() == 0) {
        throw Error("showshape3D needs at least one configuration, given a stack of none");
    }
    parse_plot_style(dsymbol);  // a bad style is refused before anything is drawn
    plot_configuration(g, x.page(0), dsymbol);
    const Handle axes = current_axes(g);
    set_hold(g, axes, true);
    axis_mode(g, axes, "auto");
    axis_mode(g, axes, "equal");
    for (Eigen::Index k = 1; k < x.specimens(); ++k)
        plot_configuration(g, x.page(k), dsymbol);
}

void draw_shapes(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& x,
                 std::string_view dsymbol) {
    if (x.cols() != 3 || x.rows() == 0) {
        throw Error("showshape3D needs a configuration of p landmarks by 3 coordinates, given " +
                    std::to_string(x.rows()) + " x " + std::to_string(x.cols()));
    }
    draw_shapes(g, Stack::single(x), dsymbol);
}

}  // namespace kelmar
