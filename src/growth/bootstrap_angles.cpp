#include "bootstrap_angles.hpp"

#include "residual_bootstrap.hpp"

namespace kelmar {

BootstrapAngles bootstrap_angles(const Eigen::Ref<const Eigen::MatrixXd>& x, SizeVariable size,
                                 Eigen::Index nboots, Eigen::Index n2, RandomStream& stream,
                                 int threads) {
    return residual_bootstrap(x, nboots, n2, size, stream, threads);
}

bool is_bootstrap_count(std::int64_t count) {
    return count >= 20 && count <= kMostBootstraps && count % 20 == 0;
}

std::string bootstrap_count_rule() {
    return "a multiple of 20 from 20 to " + std::to_string(kMostBootstraps);
}

Eigen::Vector3d range_values(const Eigen::Ref<const Eigen::RowVectorXd>& sorted_angles) {
    const Eigen::Index n = sorted_angles.size();
    return {sorted_angles(4 * n / 5 - 1), sorted_angles(9 * n / 10 - 1),
            sorted_angles(19 * n / 20 - 1)};
}

}  // namespace kelmar
