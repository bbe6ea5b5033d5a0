#include "platform/export/renderer.hpp"
#include "platform/export/marks.hpp"
#include "platform/graphics/plotting.hpp"

#include "support/recording_painter.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kelmar {
namespace {

using testing::RecordingPainter;

constexpr Rgb kRed{1, 0, 0};
constexpr Rgb kBlack{0, 0, 0};

double length(const RecordingPainter::Shape& s) {
    return std::hypot(s.points[1].x - s.points[0].x, s.points[1].y - s.points[0].y);
}

struct Drawn {
    Graphics g;
    Handle figure = g.create_figure();
    Handle axes = current_axes(g);
    RecordingPainter painter;
    void render() { render_figure(g, figure, painter); }
};

TEST(Renderer, SeenFromAboveXRunsRightAndYUp) {
    Drawn d;
    const double x[] = {0, 1, 0}, y[] = {0, 0, 1}, z[] = {0, 0, 0};
    add_line(d.g, x, y, z, parse_plot_style("ro"));
    set_view(d.g, d.axes, 0, 90);
    d.render();
    const auto markers = d.painter.in(kRed, "ellipse");
    ASSERT_EQ(markers.size(), 3u);  // one marker per point
    EXPECT_GT(markers[1].points[0].x, markers[0].points[0].x + 10);
    EXPECT_NEAR(markers[1].points[0].y, markers[0].points[0].y, 1e-9);
    EXPECT_LT(markers[2].points[0].y, markers[0].points[0].y - 10);
    EXPECT_NEAR(markers[2].points[0].x, markers[0].points[0].x, 1e-9);
    EXPECT_EQ(d.painter.page, (Rgb{0.94, 0.94, 0.94}));  // the figure's colour
}

// A flat frame with equal data units (a 2D shape): one page length per data unit across and
// down, whatever the figure's proportions; without them each axis fills the frame.
TEST(Renderer, FlatFramesWithEqualUnitsKeepTheShapesProportions) {
    for (bool equal : {true, false}) {
        Drawn d;
        d.g.set(d.axes, "AxesKind", "2d");
        const double x[] = {0, 4, 4, 0}, y[] = {0, 0, 1, 1}, z[] = {0, 0, 0, 0};
        add_line(d.g, x, y, z, parse_plot_style("ro"));
        if (equal)
            axis_mode(d.g, d.axes, "equal");
        d.render();
        const auto markers = d.painter.in(kRed, "ellipse");
        ASSERT_EQ(markers.size(), 4u);
        const double across = markers[1].points[0].x - markers[0].points[0].x;
        const double down = markers[1].points[0].y - markers[2].points[0].y;
        ASSERT_GT(across, 10);
        if (equal) {
            EXPECT_NEAR(across / down, 4.0, 1e-9);
        } else {
            EXPECT_GT(std::fabs(across / down - 4.0), 1.0);
        }
    }
}

TEST(Renderer, EqualDataUnitsKeepTheirLengthsOnThePage) {
    // Three edges from the origin of lengths 1, 2 and 4, seen from the direction that shows the
    // three axes of a cube at the same length.
    for (bool equal : {true, false}) {
        Drawn d;
        set_hold(d.g, d.axes, true);
        const double zero[] = {0, 0};
        const double one[] = {0, 1}, two[] = {0, 2}, four[] = {0, 4};
        add_line(d.g, one, zero, zero, parse_plot_style("k-"));
        add_line(d.g, zero, two, zero, parse_plot_style("k-"));
        add_line(d.g, zero, zero, four, parse_plot_style("k-"));
        if (equal)
            axis_mode(d.g, d.axes, "equal");
        set_view(d.g, d.axes, -45, std::asin(1 / std::sqrt(3.0)) * 180 / 3.141592653589793);
        d.render();
        const auto edges = d.painter.in(kBlack, "polyline");
        ASSERT_EQ(edges.size(), 3u);
        const double unit = length(edges[0]);
        EXPECT_NEAR(length(edges[1]) / unit, equal ? 2.0 : 1.0, 1e-9) << equal;
        EXPECT_NEAR(length(edges[2]) / unit, equal ? 4.0 : 1.0, 1e-9) << equal;
    }
}

TEST(Renderer, MarkersWiresAndHiddenAxes) {
    Drawn d;
    const double x[] = {0, 1, 2, 3}, y[] = {0, 1, 0, 1}, z[] = {1, 2, 3, 4};
    add_line(d.g, x, y, z, parse_plot_style("rp"));
    set_hold(d.g, d.axes, true);
    const double wx[] = {0, 3}, wy[] = {0, 1}, wz[] = {1, 4};
    add_line(d.g, wx, wy, wz, parse_plot_style("k-"));  // a wire from the first point to the last
    d.render();
    const auto stars = d.painter.in(kRed, "polygon");
    ASSERT_EQ(stars.size(), 4u);
    EXPECT_EQ(stars[0].points.size(), 10u);  // a pentagram's outline
    const auto wires = d.painter.in(kBlack, "polyline");
    ASSERT_EQ(wires.size(), 1u);
    const Projection project(d.g, d.axes, axes_area(d.g, d.axes));
    const PagePoint a = project(0, 0, 1);
    const PagePoint b = project(3, 1, 4);
    EXPECT_NEAR(wires[0].points.front().x, a.x, 1e-9);
    EXPECT_NEAR(wires[0].points.back().y, b.y, 1e-9);
    EXPECT_FALSE(d.painter.texts.empty());  // tick labels of the visible axes

    // A marker's size is in points, 96/72 pixels each: 6 points make a circle 8 pixels across.
    const Handle circles = add_line(d.g, x, y, z, parse_plot_style("bo"));
    d.g.set(circles, "MarkerSize", 6);
    RecordingPainter sized;
    render_figure(d.g, d.figure, sized);
    const auto rings = sized.in({0, 0, 1}, "ellipse");
    ASSERT_EQ(rings.size(), 4u);
    EXPECT_DOUBLE_EQ(rings[0].radius, 4.0);
    d.g.close(circles);

    RecordingPainter hidden;
    axis_mode(d.g, d.axes, "off");
    render_figure(d.g, d.figure, hidden);
    EXPECT_TRUE(hidden.texts.empty());
    // Only the pentagrams and the wire remain: no box, no ticks.
    EXPECT_EQ(hidden.shapes.size(), 5u);
}

// Tick labels of huge or tiny ranges are in scientific notation, short enough to stay on the page;
// ordinary ranges keep the decimals their step has.
TEST(Renderer, TickLabelsOfAnyRangeStayShort) {
    EXPECT_EQ(render::tick_labels({0.6, 0.8, 1.0}, 0.2),
              (std::vector<std::string>{"0.6", "0.8", "1.0"}));
    EXPECT_EQ(render::tick_labels({1e300, 2e300, 3e300}, 1e300),
              (std::vector<std::string>{"1e+300", "2e+300", "3e+300"}));
    EXPECT_EQ(render::tick_labels({0.0, 2e-7, 4e-7}, 2e-7),
              (std::vector<std::string>{"0", "2e-07", "4e-07"}));
    EXPECT_EQ(render::tick_labels({1.0e6, 1.2e6, 1.4e6}, 2e5),
              (std::vector<std::string>{"1.0e+06", "1.2e+06", "1.4e+06"}));
    for (const double scale : {1e300, 1e-300, 1e12}) {
        Drawn d;
        const double x[] = {scale, 3 * scale}, y[] = {-scale, scale}, z[] = {0, scale};
        add_line(d.g, x, y, z, parse_plot_style("ro"));
        d.render();
        ASSERT_FALSE(d.painter.texts.empty());
        for (const auto& text : d.painter.texts) {
            EXPECT_LE(text.text.size(), 12u) << scale << ": " << text.text;
            EXPECT_GE(text.anchor.x, 0.0);
            EXPECT_LE(text.anchor.x, 560.0);
        }
    }
}

// Where two labelled edges of the box meet, only one of them labels the corner: for a box of the
// data's shape seen from several sides, no two tick labels stand on top of each other.
TEST(Renderer, TickLabelsOfTwoEdgesNeverMeetAtTheirCorner) {
    for (const double azimuth : {-37.5, 30.0, 120.0, -150.0}) {
        Drawn d;
        const double x[] = {-0.25, 0.25}, y[] = {-0.3, 0.4}, z[] = {-0.6, 0.6};
        add_line(d.g, x, y, z, parse_plot_style("ro"));
        axis_mode(d.g, d.axes, "equal");
        set_view(d.g, d.axes, azimuth, 30.0);
        d.render();
        const auto& texts = d.painter.texts;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                const double apart = std::hypot(texts[i].anchor.x - texts[j].anchor.x,
                                                texts[i].anchor.y - texts[j].anchor.y);
                EXPECT_GT(apart, 10.0)
                    << azimuth << ": \"" << texts[i].text << "\" and \"" << texts[j].text << "\"";
            }
        }
    }
}

}  // namespace
}  // namespace kelmar
