#include "stack.hpp"

#include "error.hpp"

#include <string>

namespace kelmar {

Stack Stack::single(const Eigen::Ref<const Eigen::MatrixXd>& configuration) {
    if (configuration.cols() != 2 && configuration.cols() != 3) {
        throw Error("a configuration needs 2 columns (x, y) or 3 (x, y, z), found " +
                    std::to_string(configuration.cols()));
    }
    Stack s;
    s.data_ = configuration;
    s.d_ = static_cast<int>(configuration.cols());
    return s;
}

Stack Stack::from_pages_matrix(Eigen::MatrixXd pages, int d) {
    if (d != 2 && d != 3) {
        throw Error("a stack of configurations holds 2D or 3D landmarks, not " + std::to_string(d) +
                    "D");
    }
    if (pages.cols() % d != 0) {
        throw Error("a stack of configurations needs a multiple of " + std::to_string(d) +
                    " columns, found " + std::to_string(pages.cols()));
    }
    Stack s;
    s.data_ = std::move(pages);
    s.d_ = d;
    return s;
}

}  // namespace kelmar
