// gls_reference: the GLS reference (mean shape) of a sample (p × d × n stack, d = 2 or 3) by
// generalised partial Procrustes fitting, with exactly three iterations, and the sample fitted
// onto it. The reference is p × d, centred and of centroid size 1; every fitted page is centred and
// of centroid size 1. fit_onto_reference: every specimen of a sample fitted onto a given reference
// (used as given).
#pragma once

#include "platform/numeric/stack.hpp"

#include <Eigen/Core>

namespace kelmar {

struct GlsFit {
    Eigen::MatrixXd reference;  // p × d
    Stack fitted;               // p × d × n
};

// Raises an Error for an empty sample, and naming the specimen whose landmarks all coincide.
GlsFit gls_reference(Stack data);

// Raises an Error naming both landmark counts when they differ, naming the specimen whose
// landmarks all coincide, and when the reference's landmarks all coincide.
Stack fit_onto_reference(const Eigen::Ref<const Eigen::MatrixXd>& reference, Stack data);

}  // namespace kelmar
