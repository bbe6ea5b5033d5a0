#include "by_name.hpp"

#include "anglerbr.hpp"
#include "growvecn.hpp"
#include "shapegrow.hpp"
#include "sortsize.hpp"

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

FunctionRow bootstrap(const char* name, bool log_size, std::function<RandomStream&()> stream) {
    return {name,
            [name, log_size, stream](int, const Values& in) -> Values {
                const Arguments a(name, in);
                const Eigen::MatrixXd x = a.matrix(0, "x");
                const Eigen::Index nboots = a.whole(1, "nboots");
                // The third and fourth inputs are taken and not used.
                const Eigen::Index n2 = a.whole(4, "n2");
                const BootstrapAngles y = log_size ? anglerbr(x, nboots, 0, 0, n2, stream())
                                                   : sanglerbr(x, nboots, 0, 0, n2, stream());
                return {Value::from_matrix(y.angles)};
            },
            5, 1};
}

}  // namespace

std::vector<FunctionRow> growth_functions(std::function<RandomStream&()> stream) {
    return {
        bootstrap("anglerbr", true, stream),
        bootstrap("sanglerbr", false, stream),
        {"growvecn",
         [](int, const Values& in) -> Values {
             return {Value::from_matrix(growvecn(Arguments("growvecn", in).matrix(0, "x")))};
         },
         1, 1},
        {"growvector3",
         [](int, const Values& in) -> Values {
             const Arguments a("growvector3", in);
             return {Value::from_matrix(growvector3(a.matrix(0, "x"), a.matrix(1, "indpx")))};
         },
         2, 1},
        on_dataset("growveceq", growveceq),
        on_dataset("shapegrow", shapegrow),
        on_dataset("shapegrown", shapegrown),
        on_dataset("sortsize", sortsize),
    };
}

}  // namespace kelmar
