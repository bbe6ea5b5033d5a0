#include "validate_dataset.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <cmath>

namespace kelmar {

void validate_landmark_dataset(const Eigen::Ref<const Eigen::MatrixXd>& table,
                               const std::string& name) {
    const std::string file = in_quotes(name);
    if (table.rows() == 0) {
        throw Error(file + " holds no specimens");
    }
    const Eigen::Index c = table.cols();
    if (c < 4 || (c - 1) % 3 != 0) {
        throw Error(file + ": its lines hold " + std::to_string(c) +
                    " numbers, but a landmark line holds x, y, z of each landmark and then the "
                    "size (3p + 1 numbers: 4, 7, 10, ...)");
    }
    if (c == 4) {
        throw Error(file +
                    ": its lines hold one landmark (x, y, z and the size), but a shape needs at "
                    "least 2 landmarks to be superimposed and compared");
    }
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
        const std::string line = file + ", line " + std::to_string(i + 1);
        for (Eigen::Index j = 0; j < c; ++j) {
            const double v = table(i, j);
            if (!std::isfinite(v)) {
                throw Error(line + ": value " + shortest_text(v) + " (number " +
                            std::to_string(j + 1) + " of the line) is not a finite number");
            }
        }
        const double size = table(i, c - 1);
        if (!(size > 0)) {
            throw Error(line + ": size " + shortest_text(size) +
                        " (the last number of the line) must be greater than 0");
        }
    }
}

}  // namespace kelmar
