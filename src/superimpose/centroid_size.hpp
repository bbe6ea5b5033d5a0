// centroid_size: the centroid size of a configuration (p × k, any k): the square root of the summed
// squared distances of its landmarks from their centroid. Independent of position.
#pragma once

#include <Eigen/Core>

namespace kelmar {

// Raises an Error for a configuration without landmarks.
double centroid_size(const Eigen::Ref<const Eigen::MatrixXd>& x);

}  // namespace kelmar
