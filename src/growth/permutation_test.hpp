// A permutation test of the angle between two samples' growth vectors, under the null model of
// one common slope. Both samples (n1 × C and n2 × C, on one common reference) are pooled; within
// each group the size variable s and the coordinates Y are centred (s̃, Ỹ). The null model keeps
// each group's mean and gives both the common slope b0 = Σ s̃ᵢỸᵢ / Σ s̃ᵢ²; its residuals E0 are
// permuted over all specimens, rows added back to the null model's fitted rows, and each
// permuted dataset gives the angle between its two group slopes b_g = Σ_g s̃ᵢY*ᵢ / Σ_g s̃ᵢ².
//
// Each permutation is a Fisher–Yates shuffle of 0 .. N − 1 drawn from the stream: for i = N down
// to 2, u is drawn and j = floor(u·i) is swapped with i − 1. Permutations are drawn in order,
// whatever the thread count, so every value is the same for any number of threads.
#pragma once

#include "residual_bootstrap.hpp"

namespace kelmar {

struct PermutationResult {
    Eigen::Index permutations = 0;
    // K + 1 angles in degrees: the observed one first, then one per permutation in draw order.
    Eigen::VectorXd values;
    double angle = 0.0;    // the observed angle, as the angle between the growth vectors
    double p_value = 0.0;  // share of the values at least the observed one (it included)
    double ucl95 = 0.0;    // the sorted values at 1-based position ceil(0.95·(K + 1))
    double z = 0.0;  // (observed − mean) / standard deviation (divisor K); NaN when all are equal
};

// Raises an Error for permutations < 1, samples of different landmark counts, and whatever makes
// either growth vector undefined (sizes that do not vary, identical shapes, sizes that are not
// positive on log size). threads = 0 uses every core.
PermutationResult permutation_test(const Eigen::Ref<const Eigen::MatrixXd>& x1,
                                   const Eigen::Ref<const Eigen::MatrixXd>& x2,
                                   Eigen::Index permutations, BootstrapKind kind,
                                   RandomStream& stream, int threads = 0);

}  // namespace kelmar
