#include "by_name.hpp"

#include "centroid_size.hpp"
#include "gls_reference.hpp"
#include "optimal_rotation.hpp"
#include "partial_procrustes_fit.hpp"
#include "platform/numeric/error.hpp"
#include "principal_axes.hpp"

namespace kelmar {

std::vector<FunctionRow> superimposition_functions() {
    return {
        {"getpproc3",
         [](int, const Values& in) -> Values {
             GlsFit fit = gls_reference(Arguments("getpproc3", in).stack(0, "data"));
             return {Value::from_matrix(fit.reference), Value::from_stack(fit.fitted)};
         },
         1, 2},
        {"getpprocon3",
         [](int, const Values& in) -> Values {
             const Arguments a("getpprocon3", in);
             return {Value::from_stack(
                 fit_onto_reference(a.matrix(0, "reference"), a.stack(1, "data")))};
         },
         2, 1},
        {"pcaref3d",
         [](int, const Values& in) -> Values {
             const PrincipalAxes axes =
                 principal_axes(Arguments("pcaref3d", in).matrix(0, "reference"));
             return {Value::from_matrix(axes.y), Value::from_matrix(axes.u)};
         },
         1, 2},
        {"rotate3da",
         [](int, const Values& in) -> Values {
             const Arguments a("rotate3da", in);
             const Eigen::MatrixXd roto = a.matrix(1, "roto");
             if (roto.rows() != 3 || roto.cols() != 3)
                 throw Error("rotate3da: input \"roto\" must be 3 x 3, given " + in[1].describe());
             return {Value::from_stack(rotate_stack(a.stack(0, "x"), roto))};
         },
         2, 1},
        {"centsize3Da",
         [](int, const Values& in) -> Values {
             return {Value(centroid_size(Arguments("centsize3Da", in).matrix(0, "x")))};
         },
         1, 1},
        {"partialprocrustes3a",
         [](int, const Values& in) -> Values {
             const Arguments a("partialprocrustes3a", in);
             return {Value::from_matrix(
                 partial_procrustes_fit(a.matrix(0, "reference"), a.matrix(1, "subject")))};
         },
         2, 1},
        {"svdrot2",
         [](int, const Values& in) -> Values {
             const Arguments a("svdrot2", in);
             return {Value::from_matrix(
                 optimal_rotation(a.matrix(0, "reference"), a.matrix(1, "subject")))};
         },
         2, 1},
    };
}

}  // namespace kelmar
