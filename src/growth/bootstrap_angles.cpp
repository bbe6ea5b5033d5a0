#include "bootstrap_angles.hpp"

#include "residual_bootstrap.hpp"

namespace kelmar {

BootstrapAngles bootstrap_angles_log_size(const Eigen::Ref<const Eigen::MatrixXd>& x,
                                          Eigen::Index nboots, Eigen::Index n2,
                                          RandomStream& stream, int threads) {
    return residual_bootstrap(x, nboots, n2, BootstrapKind::LogSize, stream, threads);
}

BootstrapAngles bootstrap_angles_centroid_size(const Eigen::Ref<const Eigen::MatrixXd>& x,
                                               Eigen::Index nboots, Eigen::Index n2,
                                               RandomStream& stream, int threads) {
    return residual_bootstrap(x, nboots, n2, BootstrapKind::CentroidSize, stream, threads);
}

}  // namespace kelmar
