// The results of kelmar6-batch as JSON: numbers as they were computed (they read back exactly),
// null where a value is not a number. Every sample carries the allometry plot's numbers (its
// `sizes` and regression `scores`), with the projection they were taken on. The Procrustes ANOVA
// (`anova`, one object per term) follows the permutation tests when the session ran it, and the
// shape space (`shape_space`) comes last when `space` is given.
#pragma once

#include "options.hpp"
#include "session/session.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kelmar {

// The analysis of one or two samples, as the window runs it; `files` names the samples as the
// command line gave them. With a permutation test, its angle test and all its statistics.
std::string two_sample_json(const BatchOptions& o, const std::vector<std::string>& files,
                            const Session& session, const AngleResult& angle,
                            const std::optional<SlopeComparison>& permutation,
                            const AllometryScores& scores, const ShapeSpace* space);

// The analysis of three samples or more: every sample with its range, every pair's statistics
// (`slopes`, with their tests when it holds permutations) or each sample's angle to isometry.
std::string samples_json(const BatchOptions& o, const std::vector<std::string>& files,
                         const Session& session, const SampleAngles& angles,
                         const std::optional<SlopeComparison>& slopes,
                         const AllometryScores& scores, const ShapeSpace* space);

}  // namespace kelmar
