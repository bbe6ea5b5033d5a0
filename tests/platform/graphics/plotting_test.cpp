#include "platform/graphics/plotting.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

using testing::error_of;

std::vector<double> reals(const Value& v) {
    return {v.reals().begin(), v.reals().end()};
}

TEST(PlotStyle, LettersInAnyOrderAndBadOnesNamed) {
    const PlotStyle pentagrams = parse_plot_style("gp");
    EXPECT_EQ(pentagrams.color, (std::array<double, 3>{0, 1, 0}));
    EXPECT_EQ(pentagrams.marker, Marker::pentagram);
    EXPECT_EQ(pentagrams.line, LineStyle::none);  // a marker alone draws unconnected markers
    const PlotStyle dashed = parse_plot_style("--k");
    EXPECT_EQ(dashed.line, LineStyle::dashed);
    EXPECT_EQ(dashed.marker, Marker::none);
    EXPECT_EQ(parse_plot_style("-.").line, LineStyle::dash_dot);
    EXPECT_EQ(parse_plot_style("rd:").line, LineStyle::dotted);
    // Every marker letter comes back as the line's Marker property.
    for (const char letter : std::string_view("o+*.xsd^v<>ph"))
        EXPECT_EQ(marker_text(parse_plot_style(std::string(1, letter)).marker),
                  std::string(1, letter));
    for (const char* dashes : {"-", "--", ":", "-."})
        EXPECT_EQ(line_style_text(parse_plot_style(dashes).line), dashes);
    EXPECT_EQ(parse_plot_style("").color, (std::array<double, 3>{0, 0, 1}));
    EXPECT_EQ(error_of([] { parse_plot_style("rz"); }),
              "bad plot style \"rz\": \"z\" is not a colour (rgbcmykw), a marker "
              "(o+*.xsd^v<>ph) or a line style (- -- : -.)");
    EXPECT_NE(error_of([] { parse_plot_style("rb"); }).find("two colours"), std::string::npos);
    EXPECT_NE(error_of([] { parse_plot_style("o+"); }).find("two markers"), std::string::npos);
}

TEST(AddLine, AxesAreMadeWhenMissingAndHoldDecidesWhatStays) {
    Graphics g;
    const double x[] = {0, 1}, y[] = {0, 2}, z[] = {0, 3};
    const Handle first = add_line(g, x, y, z, parse_plot_style("ro"));
    ASSERT_TRUE(g.current_figure());
    const Handle axes = current_axes(g);
    EXPECT_EQ(g.parent(first), axes);
    EXPECT_EQ(g.get(first, "Marker").text(), "o");
    EXPECT_EQ(reals(g.get(first, "Color")), (std::vector<double>{1, 0, 0}));

    set_view(g, axes, 10, 120);  // elevation kept within [-90, 90]
    EXPECT_EQ(reals(g.get(axes, "View")), (std::vector<double>{10, 90}));
    const Handle second =
        add_line(g, x, y, z, parse_plot_style("b-"));  // without hold: replaces, view afresh
    EXPECT_FALSE(g.is_valid(first));
    EXPECT_EQ(reals(g.get(axes, "View")),
              (std::vector<double>{kDefaultAzimuth, kDefaultElevation}));
    set_hold(g, axes, true);
    add_line(g, x, y, z, parse_plot_style("k-"));
    EXPECT_EQ(g.children(axes).size(), 2u);
    EXPECT_TRUE(g.is_valid(second));
    EXPECT_NE(
        error_of([&] { add_line(g, x, y, std::span<const double>(z, 1), parse_plot_style("k-")); }),
        "");
}

TEST(AddLine, AutomaticLimitsAreRoundAndModesApply) {
    EXPECT_EQ(round_limits(0.13, 0.87), (std::array<double, 2>{0.1, 0.9}));
    EXPECT_EQ(round_limits(-3.2, 47), (std::array<double, 2>{-10, 50}));
    EXPECT_EQ(round_limits(5, 5), (std::array<double, 2>{4, 6}));
    EXPECT_EQ(tick_values(0, 1), (std::vector<double>{0, 0.2, 0.4, 0.6000000000000001, 0.8, 1}));

    Graphics g;
    const double x[] = {0.13, 0.87}, y[] = {-3.2, 47}, z[] = {2, 2};
    add_line(g, x, y, z, parse_plot_style("r-"));
    const Handle axes = current_axes(g);
    set_hold(g, axes, true);
    EXPECT_EQ(reals(g.get(axes, "XLim")), (std::vector<double>{0.1, 0.9}));
    EXPECT_EQ(reals(g.get(axes, "YLim")), (std::vector<double>{-10, 50}));
    const double far[] = {3, 3};
    add_line(g, far, y, z, parse_plot_style("r-"));  // limits follow every line held
    EXPECT_EQ(reals(g.get(axes, "XLim")), (std::vector<double>{0, 3}));

    g.set(axes, "XRangeMode", "manual");
    g.set(axes, "XLim", Value::row({-1, 1}));
    add_line(g, x, y, z, parse_plot_style("r-"));
    EXPECT_EQ(reals(g.get(axes, "XLim")), (std::vector<double>{-1, 1}));  // a manual limit stays
    axis_mode(g, axes, "auto");
    EXPECT_EQ(reals(g.get(axes, "XLim")), (std::vector<double>{0, 3}));
    axis_mode(g, axes, "equal");
    EXPECT_EQ(g.get(axes, "UnitRatioMode").text(), "manual");
    axis_mode(g, axes, "off");
    EXPECT_EQ(g.get(axes, "Visible").text(), "off");
    EXPECT_NE(error_of([&] { axis_mode(g, axes, "tight"); }).find("\"tight\""), std::string::npos);
}

}  // namespace
}  // namespace kelmar
