#include "wirelist.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <cmath>

namespace kelmar {

void validate_wirelist(const Eigen::Ref<const Eigen::MatrixXd>& table, const std::string& name,
                       std::optional<Eigen::Index> landmarks) {
    const std::string file = in_quotes(name);
    if (table.rows() == 0) {
        throw Error(file + " holds no wires");
    }
    if (table.cols() < 3) {
        throw Error(file +
                    ": a wirelist line holds a wire number and the numbers of the two "
                    "landmarks it joins (3 numbers), but its lines hold " +
                    std::to_string(table.cols()));
    }
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
        for (Eigen::Index j = 0; j < table.cols(); ++j) {
            if (!std::isfinite(table(i, j))) {
                throw Error(file + ", line " + std::to_string(i + 1) + ": value " +
                            shortest_text(table(i, j)) + " (number " + std::to_string(j + 1) +
                            " of the line) is not a finite number");
            }
        }
        for (Eigen::Index j = 1; j <= 2; ++j) {
            const double v = table(i, j);
            const std::string where = file + ", line " + std::to_string(i + 1) + ": ";
            if (!(v >= 1.0) || v != std::floor(v)) {
                throw Error(where + "landmark number " + shortest_text(v) +
                            " is not a whole number from 1 up");
            }
            if (landmarks && v > static_cast<double>(*landmarks)) {
                throw Error(where + "landmark number " + shortest_text(v) +
                            " is beyond the samples' " + std::to_string(*landmarks) + " landmarks");
            }
        }
    }
}

bool wirelist_fits(const Eigen::Ref<const Eigen::MatrixXd>& table, Eigen::Index landmarks) {
    return table.rows() > 0 && table.cols() >= 3 &&
           table.middleCols(1, 2).maxCoeff() <= static_cast<double>(landmarks);
}

}  // namespace kelmar
