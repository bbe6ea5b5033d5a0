#include "anglerbr.hpp"

#include "residual_bootstrap.hpp"

namespace kelmar {

BootstrapAngles anglerbr(const Eigen::Ref<const Eigen::MatrixXd>& x, Eigen::Index nboots,
                         double /*ignored3*/, double /*ignored4*/, Eigen::Index n2,
                         RandomStream& stream, int threads) {
    return residual_bootstrap(x, nboots, n2, BootstrapKind::LogSize, stream, threads);
}

BootstrapAngles sanglerbr(const Eigen::Ref<const Eigen::MatrixXd>& x, Eigen::Index nboots,
                          double /*ignored3*/, double /*ignored4*/, Eigen::Index n2,
                          RandomStream& stream, int threads) {
    return residual_bootstrap(x, nboots, n2, BootstrapKind::CentroidSize, stream, threads);
}

}  // namespace kelmar
