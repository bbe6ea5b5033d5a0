// Checks that a table read from a file is a landmark dataset of d = 2 or 3 dimensions: at least
// one specimen, dp + 1 numbers per line for p >= 2 landmarks, every value finite and every size
// (the last number of a line) greater than 0. A failure raises an Error naming the file, the line
// and the value.
#pragma once

#include <Eigen/Core>
#include <string>

namespace kelmar {

void validate_landmark_dataset(const Eigen::Ref<const Eigen::MatrixXd>& table,
                               const std::string& name, int d = 3);

}  // namespace kelmar
