// The engine behind bootstrap_angles.
//
// Every fitted configuration lies exactly on the sample's regression line, so a resampled set
// whose rows carry sizes t_q has slopes b + Σ_q v_q·r_(k_q), with b the sample's slopes, r the
// drawn residual rows and v_q = (t_q − t̄)/Σ(t − t̄)². Collecting each replicate's weights per
// residual row gives a replicates × n weight matrix W, and all replicates' slopes are W·R + b:
// one dense product. When n < C − 1 the residuals are first expressed in an orthonormal basis of
// their row space (a QR factorisation), which keeps every dot product and halves the work.
#pragma once

#include "bootstrap_angles.hpp"

namespace kelmar {

BootstrapAngles residual_bootstrap(const Eigen::Ref<const Eigen::MatrixXd>& x, Eigen::Index nboots,
                                   Eigen::Index n2, SizeVariable size_variable,
                                   RandomStream& stream, int threads);

}  // namespace kelmar
