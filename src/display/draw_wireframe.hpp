// draw_wireframe: the wireframe of a p × 3 configuration in the current axes, one two-point 3D line
// per wirelist row, joining the landmarks numbered in its columns 2 and 3 (column 1 is not read),
// in `style` (a solid blue line by default). Hold and the axis settings are left as the caller
// set them.
#pragma once

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/plotting.hpp"

#include <Eigen/Core>
#include <string_view>

namespace kelmar {

// Raises an Error naming the row and the value, before any wire is drawn, when the wirelist has
// fewer than three columns or a landmark number that is not a whole number from 1 to p; and an
// Error naming the shape of a configuration that is not p × 3.
// A configuration as drawn in 3D: its own three columns, or a 2D one's two on z = 0.
Eigen::MatrixXd with_z(const Eigen::Ref<const Eigen::MatrixXd>& shape);

void draw_wireframe(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& x,
                    const Eigen::Ref<const Eigen::MatrixXd>& wirelist, const PlotStyle& style = {});

}  // namespace kelmar
