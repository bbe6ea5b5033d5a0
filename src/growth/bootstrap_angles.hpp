// The within-sample angle bootstraps. From a landmark dataset x (n × C, size in column C) sorted by
// size, every specimen is split into its fitted configuration on the size variable and its
// residual; each replicate builds two resampled sets by adding drawn residual rows to fitted
// rows, takes each set's unit growth vector, and records the angle between them in degrees.
//   on log centroid size: the second set (n2 rows) draws its fitted row and its residual row,
//       in that order; per replicate n + 2·n2 draws
//   on centroid size: the second set uses the fitted rows of the n2 smallest specimens and
//       draws only residuals; per replicate n + n2 draws
// Draws come from `stream` in that order whatever `threads` is, so results are bit-identical for
// any thread count.
#pragma once

#include "platform/numeric/random_stream.hpp"
#include "size_variable.hpp"

#include <Eigen/Core>
#include <cstdint>
#include <string>

namespace kelmar {

struct BootstrapAngles {
    Eigen::RowVectorXd angles;    // nboots angles in degrees, ascending; NaN (no slope) last
    Eigen::Index degenerate = 0;  // replicates whose resampled sizes did not vary
};

// Raises an Error for nboots < 1, n2 outside 1..n, sizes that do not vary, and (on log size)
// sizes that are not positive. threads = 0 uses every core.
BootstrapAngles bootstrap_angles(const Eigen::Ref<const Eigen::MatrixXd>& x, SizeVariable size,
                                 Eigen::Index nboots, Eigen::Index n2, RandomStream& stream,
                                 int threads = 0);

// The replicates a within-sample range is read from, in the window and in kelmar6-batch: a
// multiple of 20, so that the 80, 90 and 95 percent positions are whole, from 20 to
// kMostBootstraps (the window's longest list entry).
constexpr std::int64_t kMostBootstraps = 100'000'000;
bool is_bootstrap_count(std::int64_t count);
// The rule in words: "a multiple of 20 from 20 to 100000000".
std::string bootstrap_count_rule();
// The 80, 90 and 95 percent values of a bootstrap's ascending angles: those at the 1-based
// positions 0.8, 0.9 and 0.95 times their count, which must be a bootstrap count.
Eigen::Vector3d range_values(const Eigen::Ref<const Eigen::RowVectorXd>& sorted_angles);

// Starts the threads the bootstraps will use (0: every core) in the background, so that their
// start-up overlaps the reading and superimposition that come first. Optional: the bootstraps
// start them anyway when they are not running.
void start_bootstrap_threads(int threads = 0);

}  // namespace kelmar
