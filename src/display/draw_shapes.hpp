// draw_shapes: every specimen of a p × 3 × K stack (or one p × 3 configuration) as one 3D line
// object of p points in the current axes, in specimen order and in one plot style
// (markers alone draw an unconnected cloud). Leaves hold on and the axes with automatic limits
// and equal data units on all three axes.
#pragma once

#include "platform/graphics/graphics.hpp"
#include "platform/numeric/stack.hpp"

#include <Eigen/Core>
#include <span>
#include <string_view>

namespace kelmar {

void draw_shapes(Graphics& g, const Stack& x, std::string_view dsymbol);

// One configuration; raises an Error naming its shape when it is not p × 3.
void draw_shapes(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& x, std::string_view dsymbol);

// Sets of configurations in one drawing, each in its plot style; the first set, the reference,
// is drawn last so that its markers lie above those of the specimens.
struct StyledShapes {
    const Stack& configurations;
    std::string_view style;
};
void draw_reference_and_samples(Graphics& g, std::span<const StyledShapes> sets);

}  // namespace kelmar
