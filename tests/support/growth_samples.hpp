// Synthetic landmark datasets for growth tests: coordinates that change linearly with log size
// along a random direction, plus noise; sizes uniform on 40 to 120.
#pragma once

#include "eigen_testing.hpp"
#include "growth/size_variable.hpp"

namespace kelmar::testing {

// The size variable of a check that runs on both: log centroid size when `log_size`.
inline SizeVariable size_variable(bool log_size) {
    return log_size ? SizeVariable::log_centroid_size : SizeVariable::centroid_size;
}

inline Eigen::MatrixXd growth_sample(Eigen::Index n, Eigen::Index d, double noise,
                                     std::mt19937& gen) {
    const Eigen::RowVectorXd start = random_matrix(1, d, gen, 10.0);
    const Eigen::RowVectorXd direction = random_matrix(1, d, gen);
    std::uniform_real_distribution<double> size(40.0, 120.0);
    Eigen::MatrixXd x(n, d + 1);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double cs = size(gen);
        x.row(i).head(d) = start + std::log(cs) * direction + random_matrix(1, d, gen, noise);
        x(i, d) = cs;
    }
    return x;
}

}  // namespace kelmar::testing
