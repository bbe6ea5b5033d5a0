#include "display/draw_shapes.hpp"
#include "display/draw_wireframe.hpp"
#include "platform/export/renderer.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/format.hpp"

#include "support/eigen_testing.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstring>
#include <sstream>

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
    draw_shapes(g, shape, parse_plot_style("gp"));
    ASSERT_EQ(lines().size(), 1u);
    Stack three(6, 3);
    for (Eigen::Index k = 0; k < 3; ++k)
        three.page(k) = shape * static_cast<double>(k + 1);
    draw_shapes(g, three, parse_plot_style("ro"));  // hold is on: adds to the reference
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
    EXPECT_EQ(
        error_of([&] { draw_shapes(g, Eigen::MatrixXd::Ones(4, 2), parse_plot_style("ro")); }),
        "showshape3D needs a configuration of p landmarks by 3 coordinates, given 4 x 2");
}

TEST_F(Display, WiresJoinTheNamedLandmarksAndBadWirelistsDrawNothing) {
    draw_shapes(g, shape, parse_plot_style("gp"));
    Eigen::MatrixXd wires(2, 3);
    wires << 7, 1, 4,  // the 7 has no effect
        0, 6, 2;
    draw_wireframe(g, shape, wires);
    ASSERT_EQ(lines().size(), 3u);
    const Handle first = lines()[1];
    EXPECT_EQ(reals(g.get(first, "XData")), (std::vector<double>{shape(0, 0), shape(3, 0)}));
    EXPECT_EQ(reals(g.get(first, "Color")), (std::vector<double>{0, 0, 1}));  // "b-"
    EXPECT_EQ(g.get(first, "LineStyle").text(), "-");

    draw_wireframe(g, shape, Eigen::MatrixXd(0, 3), parse_plot_style("k-"));
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
        EXPECT_EQ(error_of([&] { draw_wireframe(g, shape, bad.wirelist, parse_plot_style("k-")); }),
                  bad.message);
        EXPECT_EQ(lines().size(), 3u);  // nothing drawn before the error
    }
    const Eigen::MatrixXd four = Eigen::MatrixXd::Ones(6, 4);
    EXPECT_NE(error_of([&] { draw_wireframe(g, four, wires); }).find("6 x 4"), std::string::npos);
    // A 2D configuration's wires lie on z = 0.
    draw_wireframe(g, shape.leftCols(2), wires);
    EXPECT_EQ(reals(g.get(lines().back(), "ZData")), (std::vector<double>{0, 0}));
}

// The bounding box of an image's box-grey pixels (the 3D box's edges) outside `skip`.
QRect grey_extent(const QImage& image, const QRect& skip) {
    QRect r;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (skip.contains(x, y) || std::abs(c.red() - c.green()) > 6 ||
                std::abs(c.red() - c.blue()) > 6 || c.red() < 130 || c.red() > 175)
                continue;
            r = r.united(QRect(x, y, 1, 1));
        }
    }
    return r;
}

// A set with estimated landmarks draws its present landmarks filled and each specimen's
// estimates hollow, at the estimated points, under the set's name; a set without keeps its
// hollow markers.
TEST_F(Display, EstimatedLandmarksAreHollow) {
    std::mt19937 gen(6);
    Stack reference(5, 1), sample(5, 3);
    reference.page(0) = testing::random_matrix(5, 3, gen);
    for (Eigen::Index i = 0; i < 3; ++i)
        sample.page(i) = reference.page(0) + 0.05 * testing::random_matrix(5, 3, gen);
    using Role = Drawing::Shapes::Role;
    const Drawing::Shapes sets[] = {{reference, Role::reference, "reference", {}},
                                    {sample, Role::sample_1, "sample 1", {{0, 4}, {2, 1}, {2, 3}}}};
    draw_superimposed(g, sets, Eigen::MatrixXd(0, 3), Eigen::MatrixXd(0, 3));
    const std::vector<Handle> drawn = lines();
    ASSERT_EQ(drawn.size(), 6u);  // three specimens, two with estimates, then the reference
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(g.get(drawn[k], "MarkerFaceColor").text(), "auto") << k;
    const std::pair<Eigen::Index, std::vector<Eigen::Index>> hollow[] = {{0, {4}}, {2, {1, 3}}};
    for (std::size_t h = 0; h < 2; ++h) {
        const Handle line = drawn[3 + h];
        EXPECT_EQ(g.get(line, "MarkerFaceColor").text(), "none");
        EXPECT_EQ(g.get(line, "DisplayName").text(), "sample 1");
        EXPECT_EQ(g.get(line, "Color"), g.get(drawn[0], "Color"));
        const Value x = g.get(line, "XData"), z = g.get(line, "ZData");
        const auto& [page, landmarks] = hollow[h];
        ASSERT_EQ(x.reals().size(), landmarks.size());
        for (std::size_t m = 0; m < landmarks.size(); ++m) {
            EXPECT_EQ(x.reals()[m], sample.page(page)(landmarks[m], 0));
            EXPECT_EQ(z.reals()[m], sample.page(page)(landmarks[m], 2));
        }
    }
}

// On the window's smallest drawing, with two 45-character names, the box keeps at least half the
// figure across and down in every format: the legend moves below the box and shortens the names
// in the middle, never squeezing the box beside it.
TEST_F(Display, LongNamesLeaveTheBoxItsShareInEveryFormat) {
    ensure_gui_application();
    constexpr int kWidth = 488, kHeight = 366;
    g.set(figure, "Position", Value::row({0, 0, kWidth, kHeight}));
    // A skull's proportions: longest front to back, narrowest top to bottom.
    std::mt19937 gen(5);
    Stack one(6, 3), two(6, 3), reference(6, 3);
    reference.page(0) << 0.5, 0, 0, -0.5, 0, 0, 0, 0.4, 0, 0, -0.4, 0, 0, 0, 0.3, 0, 0, -0.3;
    one.page(0) = reference.page(0) + 0.05 * testing::random_matrix(6, 3, gen);
    two.page(0) = reference.page(0) + 0.05 * testing::random_matrix(6, 3, gen);
    const std::string first = "sample 1: macaque_males_field_season_2024_adults.txt";
    const std::string second = "sample 2: macaque_females_field_season_2024_adult.txt";
    using Role = Drawing::Shapes::Role;
    const Drawing::Shapes sets[] = {{reference, Role::reference, "common reference", {}},
                                    {one, Role::sample_1_on_common_reference, first, {}},
                                    {two, Role::sample_2, second, {}}};
    draw_superimposed(g, sets, Eigen::MatrixXd(0, 3), Eigen::MatrixXd(0, 3));
    const Handle axes = current_axes(g);
    // Each set in the look of what it is; the reference drawn last, above the specimens.
    const std::vector<Handle> sets_drawn = lines();
    ASSERT_EQ(sets_drawn.size(), 9u);  // three specimens a set
    const auto look = [&](Handle line) {
        std::ostringstream text;
        text << g.get(line, "Marker").text() << " " << g.get(line, "LineStyle").text();
        const Value color = g.get(line, "Color");
        for (double c : color.reals())
            text << " " << c;
        return text.str();
    };
    EXPECT_EQ(look(sets_drawn[0]), "d none 1 0 0");
    EXPECT_EQ(look(sets_drawn[3]), "o none 0 0 1");
    EXPECT_EQ(look(sets_drawn[6]), "p none 0 1 0");
    const Projection project(g, axes, axes_area(g, axes));
    const LegendLayout& legend = project.legend();
    ASSERT_EQ(legend.entries.size(), 3u);
    for (const auto& [name, line] : legend.entries)
        EXPECT_LE(character_count(name), 32u) << name;
    EXPECT_EQ(legend.place, LegendLayout::Place::below);
    EXPECT_EQ(legend.entries[0].first.substr(0, 9), "sample 1:");             // cut in the middle
    EXPECT_EQ(g.get(legend.entries[0].second, "DisplayName").text(), first);  // kept whole
    const QRect legend_box(static_cast<int>(legend.left) - 2, static_cast<int>(legend.top) - 2,
                           static_cast<int>(legend.width) + 4, static_cast<int>(legend.height) + 4);
    const auto spans_half = [&](const QRect& r, double scale, const char* format) {
        EXPECT_GE(r.width(), 0.5 * scale * kWidth) << format;
        EXPECT_GE(r.height(), 0.5 * scale * kHeight) << format;
    };

    const std::string png = figure_bytes(g, figure, "png");  // at twice the pixels
    const QImage printed = QImage::fromData(reinterpret_cast<const uchar*>(png.data()),
                                            static_cast<int>(png.size()), "PNG");
    ASSERT_EQ(printed.width(), 2 * kWidth);
    const QRect doubled(2 * legend_box.left(), 2 * legend_box.top(), 2 * legend_box.width(),
                        2 * legend_box.height());
    spans_half(grey_extent(printed, doubled), 2.0, "png");

    const std::string svg = figure_bytes(g, figure, "svg");
    QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    QImage drawn(kWidth, kHeight, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    spans_half(grey_extent(drawn, legend_box), 1.0, "svg");

    // The EMF's lines (the box's edges and ticks; the samples are markers), from their bounds.
    const std::string emf = figure_bytes(g, figure, "emf");
    const auto i32 = [&](std::size_t at) {
        std::int32_t v = 0;
        std::memcpy(&v, emf.data() + at, 4);
        return v;
    };
    QRect lines_extent;
    for (std::size_t at = 0; at + 8 <= emf.size(); at += static_cast<std::size_t>(i32(at + 4))) {
        if (i32(at) == 87 || i32(at) == 4)  // polylines of 16- and 32-bit points
            lines_extent = lines_extent.united(
                QRect(QPoint(i32(at + 8), i32(at + 12)), QPoint(i32(at + 16), i32(at + 20))));
    }
    spans_half(lines_extent, 2540.0 / 96.0, "emf");
}

}  // namespace
}  // namespace kelmar
