#include "by_name.hpp"

#include "bootstrap_angles.hpp"
#include "growth_vectors.hpp"
#include "size_lines.hpp"
#include "sorted_by_size.hpp"

namespace kelmar {
namespace {

FunctionRow on_dataset(const char* name,
                       Eigen::MatrixXd (*f)(const Eigen::Ref<const Eigen::MatrixXd>&)) {
    return {name,
            [name, f](int, const Values& in) -> Values {
                return {Value::from_matrix(f(Arguments(name, in).matrix(0, "x")))};
            },
            1, 1};
}

FunctionRow bootstrap(const char* name, SizeVariable size, std::function<RandomStream&()> stream) {
    return {name,
            [name, size, stream](int, const Values& in) -> Values {
                const Arguments a(name, in);
                const Eigen::MatrixXd x = a.matrix(0, "x");
                const Eigen::Index nboots = a.whole(1, "nboots");
                // The third and fourth inputs are taken and not used.
                const Eigen::Index n2 = a.whole(4, "n2");
                const BootstrapAngles y = bootstrap_angles(x, size, nboots, n2, stream());
                return {Value::from_matrix(y.angles)};
            },
            5, 1};
}

}  // namespace

std::vector<FunctionRow> growth_functions(std::function<RandomStream&()> stream) {
    return {
        bootstrap("anglerbr", SizeVariable::log_centroid_size, stream),
        bootstrap("sanglerbr", SizeVariable::centroid_size, stream),
        {"growvecn",
         [](int, const Values& in) -> Values {
             return {
                 Value::from_matrix(log_size_growth_row(Arguments("growvecn", in).matrix(0, "x")))};
         },
         1, 1},
        {"growvector3",
         [](int, const Values& in) -> Values {
             const Arguments a("growvector3", in);
             return {Value::from_matrix(growth_vector_on(a.matrix(0, "x"), a.matrix(1, "indpx")))};
         },
         2, 1},
        on_dataset("growveceq", log_size_lines),
        on_dataset("shapegrow", size_lines),
        on_dataset("shapegrown", scaled_size_lines),
        on_dataset("sortsize", sorted_by_size),
    };
}

}  // namespace kelmar
