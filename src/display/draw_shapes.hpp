// draw_shapes: every specimen of a p × 3 × K stack (or one p × 3 configuration) as one 3D line
// object of p points in the current axes, in specimen order and in one plot style
// (markers alone draw an unconnected cloud). Leaves hold on and the axes with automatic limits
// and equal data units on all three axes.
#pragma once

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/stack.hpp"
#include "session/drawing.hpp"

#include <Eigen/Core>
#include <span>
#include <string_view>

namespace kelmar {

void draw_shapes(Graphics& g, const Stack& x, const PlotStyle& style);

// One configuration; raises an Error naming its shape when it is not p × 3.
void draw_shapes(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& x, const PlotStyle& style);

// A load's drawing: its sets of configurations, each in the look of what it is and named in the
// legend; the first set, the reference, is drawn last so that its markers lie above those of the
// specimens. With a configuration to join (`wire_on`, p × 3, may be empty), its wireframe by
// `wirelist` in black. The axes are labelled x, y and z and show the legend.
void draw_superimposed(Graphics& g, std::span<const Drawing::Shapes> sets,
                       const Eigen::Ref<const Eigen::MatrixXd>& wire_on,
                       const Eigen::Ref<const Eigen::MatrixXd>& wirelist);

}  // namespace kelmar
