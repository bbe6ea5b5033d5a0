#include "by_name.hpp"

#include "layouts.hpp"
#include "table_file.hpp"

namespace kelmar {
std::vector<FunctionRow> landmark_functions() {
    return {
        {"vertxy3D",
         [](int, const Values& in) -> Values {
             return {
                 Value::from_stack(stack_from_dataset(Arguments("vertxy3D", in).matrix(0, "x")))};
         },
         1, 1},
        {"xyzfromvert3",
         [](int, const Values& in) -> Values {
             const Arguments a("xyzfromvert3", in);
             return {Value::from_matrix(dataset_from_stack(a.stack(0, "data"), a.matrix(1, "cs")))};
         },
         2, 1},
        {"dload",
         [](int, const Values& in) -> Values {
             const std::optional<Eigen::MatrixXd> x =
                 read_table_file(Arguments("dload", in).text(0, "fname"));
             return {x ? Value::from_matrix(*x) : Value(-1)};
         },
         1, 1},
        {"x1y1z1",
         [](int, const Values& in) -> Values {
             const Arguments a("x1y1z1", in);
             return {Value::from_matrix(dataset_row(a.matrix(0, "x"), a.scalar(1, "cs")))};
         },
         2, 1},
    };
}

}  // namespace kelmar
