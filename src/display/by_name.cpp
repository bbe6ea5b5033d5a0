#include "by_name.hpp"

#include "showshape3D.hpp"
#include "wire3d.hpp"

namespace kelmar {

std::vector<FunctionRow> display_functions() {
    return {
        {"showshape3D",
         [](int, const Values& in) -> Values {
             const Arguments a("showshape3D", in);
             showshape3D(graphics(), a.stack(0, "x"), a.text(1, "dsymbol"));
             return {};
         },
         2, 0},
        {"wire3d",
         [](int, const Values& in) -> Values {
             const Arguments a("wire3d", in);
             const Eigen::MatrixXd x = a.matrix(0, "x");
             const Eigen::MatrixXd wirelist = a.matrix(1, "wirelist");
             wire3d(graphics(), x, wirelist, a.given(2) ? a.text(2, "color") : "b-");
             return {};
         },
         3, 0},
    };
}

}  // namespace kelmar
