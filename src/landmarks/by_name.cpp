#include "by_name.hpp"

#include "layouts.hpp"
#include "mfload.hpp"
#include "table_file.hpp"

namespace kelmar {
namespace {

// y and fn of a chosen file: the table (the number -1 when it cannot be opened) and its name;
// a cancelled dialog gives an empty table and the number 0.
Values chosen(const std::optional<ChosenTable>& c) {
    if (!c)
        return {Value(), Value(0)};
    return {c->data ? Value::from_matrix(*c->data) : Value(-1), Value(c->name)};
}

}  // namespace

std::vector<FunctionRow> landmark_functions(std::function<Dialogs&()> dialogs) {
    return {
        {"mfload", [dialogs](int, const Values&) -> Values { return chosen(mfload(dialogs())); }, 1,
         2},
        {"mfloadtxt",
         [dialogs](int, const Values&) -> Values { return chosen(mfloadtxt(dialogs())); }, 1, 2},
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
