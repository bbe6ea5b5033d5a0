#include "by_name.hpp"

#include "draw_shapes.hpp"
#include "draw_wireframe.hpp"
#include "platform/graphics/plotting.hpp"

namespace kelmar {

std::vector<FunctionRow> display_functions(Graphics& g) {
    return {
        {"showshape3D",
         [&g](int, const Values& in) -> Values {
             const Arguments a("showshape3D", in);
             draw_shapes(g, a.stack(0, "x"), parse_plot_style(a.text(1, "dsymbol")));
             return {};
         },
         2, 0},
        {"wire3d",
         [&g](int, const Values& in) -> Values {
             const Arguments a("wire3d", in);
             const Eigen::MatrixXd x = a.matrix(0, "x");
             const Eigen::MatrixXd wirelist = a.matrix(1, "wirelist");
             draw_wireframe(g, x, wirelist,
                            a.given(2) ? parse_plot_style(a.text(2, "color")) : PlotStyle{});
             return {};
         },
         3, 0},
    };
}

}  // namespace kelmar
