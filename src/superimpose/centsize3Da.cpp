#include "centsize3Da.hpp"

#include "platform/numeric/error.hpp"

#include <cmath>

namespace kelmar {

double centsize3Da(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    if (x.rows() == 0) {
        throw Error("the centroid size of a configuration without landmarks is undefined");
    }
    const Eigen::RowVectorXd centroid = x.colwise().mean();
    return std::sqrt((x.rowwise() - centroid).squaredNorm());
}

}  // namespace kelmar
