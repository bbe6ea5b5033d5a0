#include "by_name.hpp"

#include "centsize3Da.hpp"
#include "getpproc3.hpp"
#include "partialprocrustes3a.hpp"
#include "pcaref3d.hpp"
#include "platform/numeric/error.hpp"
#include "svdrot2.hpp"

namespace kelmar {

std::vector<FunctionRow> superimposition_functions() {
    return {
        {"getpproc3",
         [](int, const Values& in) -> Values {
             GlsFit fit = getpproc3(Arguments("getpproc3", in).stack(0, "data"));
             return {Value::from_matrix(fit.reference), Value::from_stack(fit.fitted)};
         },
         1, 2},
        {"getpprocon3",
         [](int, const Values& in) -> Values {
             const Arguments a("getpprocon3", in);
             return {Value::from_stack(getpprocon3(a.matrix(0, "reference"), a.stack(1, "data")))};
         },
         2, 1},
        {"pcaref3d",
         [](int, const Values& in) -> Values {
             const PrincipalAxes axes = pcaref3d(Arguments("pcaref3d", in).matrix(0, "reference"));
             return {Value::from_matrix(axes.y), Value::from_matrix(axes.u)};
         },
         1, 2},
        {"rotate3da",
         [](int, const Values& in) -> Values {
             const Arguments a("rotate3da", in);
             const Eigen::MatrixXd roto = a.matrix(1, "roto");
             if (roto.rows() != 3 || roto.cols() != 3)
                 throw Error("rotate3da: input \"roto\" must be 3 x 3, given " + in[1].describe());
             return {Value::from_stack(rotate3da(a.stack(0, "x"), roto))};
         },
         2, 1},
        {"centsize3Da",
         [](int, const Values& in) -> Values {
             return {Value(centsize3Da(Arguments("centsize3Da", in).matrix(0, "x")))};
         },
         1, 1},
        {"partialprocrustes3a",
         [](int, const Values& in) -> Values {
             const Arguments a("partialprocrustes3a", in);
             return {Value::from_matrix(
                 partialprocrustes3a(a.matrix(0, "reference"), a.matrix(1, "subject")))};
         },
         2, 1},
        {"svdrot2",
         [](int, const Values& in) -> Values {
             const Arguments a("svdrot2", in);
             return {Value::from_matrix(svdrot2(a.matrix(0, "reference"), a.matrix(1, "subject")))};
         },
         2, 1},
    };
}

}  // namespace kelmar
