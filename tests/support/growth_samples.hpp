// Synthetic landmark datasets for growth tests: coordinates that change linearly with log size
// along a random direction, plus noise; sizes uniform on 40 to 120.
#pragma once

#include "eigen_testing.hpp"
#include "growth/size_variable.hpp"
#include "platform/numeric/random_stream.hpp"

#include <cmath>
#include <numeric>
#include <vector>

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

// The samples as the analyses take them: one pointer per sample.
inline std::vector<const Eigen::MatrixXd*> pointers(const std::vector<Eigen::MatrixXd>& samples) {
    std::vector<const Eigen::MatrixXd*> out;
    for (const Eigen::MatrixXd& x : samples)
        out.push_back(&x);
    return out;
}

// The permutation tests' draw from `stream`: idx = 0 … n − 1, then for i = n down to 2 an
// exchange of idx[i − 1] and idx[floor(u·i)].
inline std::vector<Eigen::Index> draw_permutation(Eigen::Index n, RandomStream& stream) {
    std::vector<Eigen::Index> idx(static_cast<std::size_t>(n));
    std::iota(idx.begin(), idx.end(), Eigen::Index{0});
    for (Eigen::Index i = n; i >= 2; --i) {
        const auto j = static_cast<Eigen::Index>(std::floor(stream.next_uniform() * i));
        std::swap(idx[static_cast<std::size_t>(i - 1)], idx[static_cast<std::size_t>(j)]);
    }
    return idx;
}

}  // namespace kelmar::testing
