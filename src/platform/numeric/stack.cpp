#include "stack.hpp"

#include "error.hpp"

#include <string>

namespace kelmar {

Stack Stack::single(const Eigen::Ref<const Eigen::MatrixXd>& configuration) {
    if (configuration.cols() != 3) {
        throw Error("a configuration needs 3 columns (x, y, z), found " +
                    std::to_string(configuration.cols()));
    }
    Stack s;
    s.data_ = configuration;
    return s;
}

Stack Stack::from_pages_matrix(Eigen::MatrixXd pages) {
    if (pages.cols() % 3 != 0) {
        throw Error("a stack of configurations needs a multiple of 3 columns, found " +
                    std::to_string(pages.cols()));
    }
    Stack s;
    s.data_ = std::move(pages);
    return s;
}

}  // namespace kelmar
