#include "display/draw_shapes.hpp"
#include "display/draw_wireframe.hpp"
#include "platform/graphics/plotting.hpp"

#include "support/eigen_testing.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

using testing::error_of;

std::vector<double> reals(const Value& v) {
    return {v.reals().begin(), v.reals().end()};
}

class Display : public ::testing::Test {
  protected:
    Display() {
        std::mt19937 gen(3);
        shape = testing::random_shape(6, gen);
        figure = g.create_figure();
    }
    std::vector<Handle> lines() { return g.children(current_axes(g)); }

    Graphics g;
    Handle figure = 0;
    Eigen::MatrixXd shape;
};

TEST_F(Display, OneLinePerSpecimenInOrderThenHoldAndEqualUnits) {
    draw_shapes(g, shape, "gp");
    ASSERT_EQ(lines().size(), 1u);
    Stack three(6, 3);
    for (Eigen::Index k = 0; k < 3; ++k)
        three.page(k) = shape * static_cast<double>(k + 1);
    draw_shapes(g, three, "ro");  // hold is on: adds to the reference
    const std::vector<Handle> all = lines();
    ASSERT_EQ(all.size(), 4u);
    for (Eigen::Index k = 0; k < 3; ++k) {
        const Handle line = all[static_cast<std::size_t>(k + 1)];
        EXPECT_EQ(g.get(line, "Marker").text(), "o");
        EXPECT_EQ(g.get(line, "LineStyle").text(), "none");
        const std::vector<double> expected(three.page(k).col(2).data(),
                                           three.page(k).col(2).data() + 6);
        EXPECT_EQ(reals(g.get(line, "ZData")), expected);
    }
    const Handle axes = current_axes(g);
    EXPECT_TRUE(hold_is_on(g, axes));
    EXPECT_EQ(g.get(axes, "XRangeMode").text(), "auto");
    EXPECT_EQ(g.get(axes, "UnitRatioMode").text(), "manual");
    EXPECT_EQ(error_of([&] { draw_shapes(g, Eigen::MatrixXd::Ones(4, 2), "ro"); }),
              "showshape3D needs a configuration of p landmarks by 3 coordinates, given 4 x 2");
}

TEST_F(Display, WiresJoinTheNamedLandmarksAndBadWirelistsDrawNothing) {
    draw_shapes(g, shape, "gp");
    Eigen::MatrixXd wires(2, 3);
    wires << 7, 1, 4,  // the 7 has no effect
        0, 6, 2;
    draw_wireframe(g, shape, wires);
    ASSERT_EQ(lines().size(), 3u);
    const Handle first = lines()[1];
    EXPECT_EQ(reals(g.get(first, "XData")), (std::vector<double>{shape(0, 0), shape(3, 0)}));
    EXPECT_EQ(reals(g.get(first, "Color")), (std::vector<double>{0, 0, 1}));  // "b-"
    EXPECT_EQ(g.get(first, "LineStyle").text(), "-");

    draw_wireframe(g, shape, Eigen::MatrixXd(0, 3), "k-");
    EXPECT_EQ(lines().size(), 3u);  // an empty wirelist draws nothing
    struct Bad {
        Eigen::MatrixXd wirelist;
        std::string message;
    };
    Eigen::MatrixXd late(2, 3), fraction(1, 3), narrow(1, 2);
    late << 1, 1, 2, 2, 3, 7;
    fraction << 1, 1.5, 2;
    narrow << 1, 2;
    for (const Bad& bad :
         {Bad{late, "wirelist row 2: landmark number 7 is not a whole number from 1 to 6"},
          Bad{fraction, "wirelist row 1: landmark number 1.5 is not a whole number from 1 to 6"},
          Bad{narrow,
              "a wirelist row holds a wire number and the two landmarks it joins (3 "
              "numbers), but its rows hold 2"}}) {
        EXPECT_EQ(error_of([&] { draw_wireframe(g, shape, bad.wirelist, "k-"); }), bad.message);
        EXPECT_EQ(lines().size(), 3u);  // nothing drawn before the error
    }
    EXPECT_NE(error_of([&] { draw_wireframe(g, shape.leftCols(2), wires); }).find("6 x 2"),
              std::string::npos);
}

}  // namespace
}  // namespace kelmar
