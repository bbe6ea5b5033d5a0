#include "centroid_size.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/safe_scale.hpp"

#include <cmath>

namespace kelmar {

double centroid_size(const Eigen::Ref<const Eigen::MatrixXd>& x) {
    if (x.rows() == 0) {
        throw Error("the centroid size of a configuration without landmarks is undefined");
    }
    const double scale = safe_scale_of(x);
    if (scale != 1.0) {
        const Eigen::MatrixXd scaled = x * scale;
        return centroid_size(scaled) / scale;
    }
    const Eigen::RowVectorXd centroid = x.colwise().mean();
    return std::sqrt((x.rowwise() - centroid).squaredNorm());
}

}  // namespace kelmar
