#include "display/growth_views.hpp"
#include "platform/export/renderer.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/format.hpp"

#include "support/eigen_testing.hpp"
#include "support/recording_painter.hpp"
#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

namespace kelmar {
namespace {

const std::vector<std::string> kNames = {"males.txt", "females.txt"};

// The texts of an EMF's text records, read back as its readers read them.
std::vector<std::string> emf_texts(const std::string& b) {
    const auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    };
    std::vector<std::string> texts;
    for (std::size_t at = 0; at + 8 <= b.size(); at += u32(at + 4)) {
        if (u32(at) != 84)
            continue;
        std::string text;
        for (std::uint32_t k = 0; k < u32(at + 44); ++k)
            text += b[at + u32(at + 48) + 2 * k];  // the texts here are ASCII
        texts.push_back(text);
    }
    return texts;
}

AngleDistributions two_samples() {
    AngleDistributions d;
    d.bootstrap = {Eigen::VectorXd::LinSpaced(40, 1.0, 9.0),
                   Eigen::VectorXd::LinSpaced(40, 2.0, 5.0)};
    d.bootstrap[1](39) = std::numeric_limits<double>::quiet_NaN();  // a replicate without a slope
    d.ranges = {{6.5, 7.4, 8.1}, {4.1, 4.4, 4.7}};
    d.observed.resize(2, 2);
    d.observed << 0, 12.5, 12.5, 0;
    d.permuted.push_back({1, 2, 12.5, 8.25, Eigen::VectorXd::LinSpaced(100, 12.5, 0.5)});
    return d;
}

// Every finite angle is counted once; the marked values are the ranges, the observed angle and
// the UCL95 the report gives, each line labelled with what it marks.
TEST(GrowthViews, DistributionsCountEveryAngleAndMarkTheReportsValues) {
    const AngleDistributions d = two_samples();
    Graphics g;
    g.create_figure();
    draw_distributions(g, d, kNames);
    const std::vector<Handle> panels = g.children(*g.current_figure());
    ASSERT_EQ(panels.size(), 3u);
    const std::size_t expected[] = {40, 39, 100};
    for (std::size_t p = 0; p < 3; ++p) {
        double counted = 0;
        std::vector<double> marked;
        std::vector<std::string> labels, styles;
        for (Handle line : g.children(panels[p])) {
            const Value x = g.get(line, "XData"), y = g.get(line, "YData");
            if (g.get(line, "FillColor").is_real()) {
                counted += y.reals()[2];  // a bar's height
                continue;
            }
            marked.push_back(x.reals()[0]);
            labels.push_back(g.get(line, "Label").text());
            styles.push_back(g.get(line, "LineStyle").text());
        }
        EXPECT_EQ(counted, static_cast<double>(expected[p])) << "panel " << p;
        if (p < 2) {
            EXPECT_EQ(marked,
                      (std::vector<double>{d.ranges[p](0), d.ranges[p](1), d.ranges[p](2), 12.5}));
            const std::string other = p == 0 ? "to 2" : "to 1";
            EXPECT_EQ(labels, (std::vector<std::string>{"80", "90", "95", other}));
            EXPECT_EQ(styles, (std::vector<std::string>{":", "-.", "--", "-"}));
            // The observed angle in the colour of the sample it compares to.
            EXPECT_EQ(g.get(g.children(panels[p]).back(), "Color"),
                      p == 0 ? Value::row({0, 0, 1}) : Value::row({1, 0, 0}));
        } else {
            EXPECT_EQ(marked, (std::vector<double>{12.5, 8.25}));
            EXPECT_EQ(labels, (std::vector<std::string>{"observed", "UCL95"}));
        }
    }
    const Eigen::VectorXd edges = (Eigen::VectorXd(5) << 0.0, 0.99, 1.0, 7.5, 1e9).finished();
    EXPECT_EQ(histogram_counts(edges, {0.0, 1.0, 4}), (std::vector<Eigen::Index>{2, 1, 0, 2}));
    EXPECT_EQ(histogram_counts(edges, {1.0, 2.0, 2}), (std::vector<Eigen::Index>{3, 2}));
}

// Each panel's bins come from its own angles: Freedman–Diaconis widths, at least five and at most
// sixty bars over the values, starting at or below the smallest.
TEST(GrowthViews, BinsFollowEachPanelsOwnAngles) {
    // 1,000 angles uniform on [20, 30]: IQR 5, width 2 · 5 / 10 = 1.
    const Eigen::VectorXd uniform = Eigen::VectorXd::LinSpaced(1001, 20.0, 30.0);
    const HistogramBins b = freedman_diaconis_bins(uniform);
    EXPECT_NEAR(b.width, 2.0 * 5.0 / std::cbrt(1001.0), 1e-12);
    EXPECT_LE(b.origin, 20.0);
    EXPECT_GT(b.origin + b.width * static_cast<double>(b.count), 30.0);
    // Few distinct values: never fewer than five bars; one outlier: never more than sixty.
    Eigen::VectorXd lumpy = Eigen::VectorXd::Constant(100, 4.0);
    lumpy(0) = 3.0;
    lumpy(99) = 5.0;
    EXPECT_GE(freedman_diaconis_bins(lumpy).count, 5);
    Eigen::VectorXd outlier = Eigen::VectorXd::LinSpaced(100, 1.0, 1.1);
    outlier(99) = 1000.0;
    EXPECT_LE(freedman_diaconis_bins(outlier).count, 61);
    const Eigen::VectorXd none = Eigen::VectorXd::Constant(3, std::nan(""));
    EXPECT_EQ(freedman_diaconis_bins(none).count, 1);
}

// For 1 to 10 samples with their pairs, the panels tile the 800 × 600 page with no gap or
// overlap; full panels are large enough to read and their titles fit their width.
TEST(GrowthViews, DistributionPanelsFillThePageForAnyNumberOfSamples) {
    ensure_gui_application();
    for (std::size_t k = 1; k <= 10; ++k) {
        AngleDistributions d;
        d.observed = Eigen::MatrixXd::Constant(static_cast<Eigen::Index>(k),
                                               static_cast<Eigen::Index>(k), 20.0);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < k; ++i) {
            d.bootstrap.push_back(
                Eigen::VectorXd::LinSpaced(100, 1.0, 9.0 + static_cast<double>(i)));
            d.ranges.push_back({6.0, 7.0, 8.0});
            names.push_back("growth_sample_of_a_long_field_season_" + std::to_string(i) + ".txt");
            for (std::size_t j = i + 1; j < k; ++j)
                d.permuted.push_back({static_cast<int>(i + 1), static_cast<int>(j + 1), 20.0, 9.0,
                                      Eigen::VectorXd::LinSpaced(1000, 20.0, 0.5)});
        }
        Graphics g;
        const Handle figure = g.create_figure({{"Position", Value::row({0, 0, 800, 600})}});
        draw_distributions(g, d, names);
        const std::vector<Handle> panels = g.children(figure);
        ASSERT_EQ(panels.size(), k + k * (k - 1) / 2) << k;
        double covered = 0;
        std::vector<Rect> rects;
        for (Handle panel : panels) {
            const Rect r = g.pixel_position(panel);
            covered += r.width * r.height;
            for (const Rect& o : rects) {
                const double w =
                    std::min(r.left + r.width, o.left + o.width) - std::max(r.left, o.left);
                const double h = std::min(r.bottom + r.height, o.bottom + o.height) -
                                 std::max(r.bottom, o.bottom);
                EXPECT_FALSE(w > 0.5 && h > 0.5) << k << " samples: panels overlap";
            }
            rects.push_back(r);
            if (g.get(panel, "TickLabels").text() == "on") {
                EXPECT_GE(r.width, 179.0) << k;
                EXPECT_GE(r.height, 149.0) << k;
            } else {
                EXPECT_GE(r.width, 69.0) << k;
                EXPECT_GE(r.height, 54.0) << k;
            }
        }
        EXPECT_NEAR(covered, 800.0 * 600.0, 1.0) << k << " samples: space left empty";
        // Titles shortened to their panel: no title line wider than its panel.
        testing::RecordingPainter painter;
        render_figure(g, figure, painter);
        for (const auto& text : painter.texts) {
            if (text.text.find("growth_sample") == std::string::npos)
                continue;
            // A title's characters at 13 pixels are some 0.56 of that wide.
            const double width = static_cast<double>(character_count(text.text)) * 0.56 * 13.0;
            for (const Rect& r : rects) {
                const double top = 600.0 - r.bottom - r.height;
                if (text.anchor.x > r.left && text.anchor.x < r.left + r.width &&
                    text.anchor.y > top && text.anchor.y < top + r.height) {
                    EXPECT_LE(width, r.width) << text.text;
                }
            }
        }
    }
}

// Each arrow runs from the reference's landmark to where the sample's growth moves it, times the
// magnification; a magnification that is not a positive number is refused.
TEST(GrowthViews, ArrowsEndWhereTheLandmarksMove) {
    std::mt19937 gen(8);
    GrowthChange c;
    c.reference = testing::random_matrix(4, 3, gen);
    c.change = {testing::random_matrix(4, 3, gen), testing::random_matrix(4, 3, gen)};
    c.size_range = {1.0, 2.0};
    Graphics g;
    g.create_figure();
    Eigen::MatrixXd wires(1, 3);
    wires << 1, 1, 4;
    draw_growth_change(g, c, wires, 2.5, kNames);
    std::vector<Eigen::RowVector3d> ends;
    for (Handle line : g.children(current_axes(g))) {
        if (g.get(line, "MarkerAt").text() != "end")
            continue;
        const auto x = g.get(line, "XData"), y = g.get(line, "YData"), z = g.get(line, "ZData");
        ends.emplace_back(x.reals()[1], y.reals()[1], z.reals()[1]);
    }
    ASSERT_EQ(ends.size(), 8u);
    for (std::size_t k = 0; k < 8; ++k) {
        const auto sample = k / 4;
        const auto p = static_cast<Eigen::Index>(k % 4);
        const Eigen::RowVector3d moved = c.reference.row(p) + 2.5 * c.change[sample].row(p);
        EXPECT_TRUE(testing::matrices_near(ends[k], moved, 1e-15)) << k;
    }
    for (double bad : {0.0, -1.0, std::numeric_limits<double>::infinity()})
        EXPECT_NE(testing::error_of([&] {
                      draw_growth_change(g, c, wires, bad, kNames);
                  }).find("magnification"),
                  std::string::npos);
}

// The default magnification makes the longest movement about a fifth of the shape's length, as
// a round number, never below 1 nor above the largest allowed.
TEST(GrowthViews, DefaultMagnificationIsARoundFifthOfTheShape) {
    GrowthChange c;
    c.reference = Eigen::MatrixXd::Zero(3, 3);
    c.reference(1, 0) = 1.0;  // length 1
    c.reference(2, 1) = 0.5;
    const auto with_longest = [&](double longest) {
        c.change = {Eigen::MatrixXd::Zero(3, 3), Eigen::MatrixXd::Zero(3, 3)};
        c.change[1](2, 2) = longest;
        c.change[0](0, 0) = longest / 3;
        return default_magnification(c);
    };
    EXPECT_EQ(with_longest(0.01), 20.0);   // 1 / (5 × 0.01) = 20
    EXPECT_EQ(with_longest(0.013), 10.0);  // 15.4: the round number below
    EXPECT_EQ(with_longest(0.004), 50.0);
    EXPECT_EQ(with_longest(0.5), 1.0);  // large movements are shown as they are
    EXPECT_EQ(with_longest(0.0), 1.0);
    EXPECT_EQ(with_longest(1e-9), kMaxMagnification);
}

// The words of a picture reach every format: axis labels, the title and the legend.
TEST(GrowthViews, LabelsAndLegendsReachTheExports) {
    ensure_gui_application();
    AllometryScores scores;
    scores.common_direction = true;
    for (int k = 0; k < 2; ++k) {
        AllometryScores::Sample s;
        s.sizes = Eigen::VectorXd::LinSpaced(5, 3.0 + k, 4.0 + k);
        s.scores = s.sizes.array() - s.sizes.mean();
        s.slope = 1.0;
        s.mean_size = s.sizes.mean();
        scores.samples.push_back(s);
    }
    Graphics g;
    const Handle figure = g.create_figure({{"Position", Value::row({0, 0, 800, 600})}});
    draw_allometry(g, scores, kNames, SizeVariable::log_centroid_size);
    const std::string svg = figure_bytes(g, figure, "svg");
    const std::vector<std::string> emf = emf_texts(figure_bytes(g, figure, "emf"));
    for (const std::string words :
         {"log centroid size", "shape score on the common growth direction", "males.txt",
          "females.txt", "Allometry: shape against size"}) {
        EXPECT_NE(svg.find(words), std::string::npos) << words;
        EXPECT_NE(std::find(emf.begin(), emf.end(), words), emf.end()) << words;
    }
    // Without a common reference the samples share no origin, and the title says so.
    scores.common_direction = false;
    g.create_figure();
    draw_allometry(g, scores, kNames, SizeVariable::log_centroid_size);
    EXPECT_EQ(g.get(current_axes(g), "Title").text(),
              "Allometry: each sample on its own reference and growth vector");
}

// What the pictures draw, on an 800 × 600 page: every mark inside the page, each sample in its
// own colour, each allometry line through its sample's points, every bar inside its panel's x
// axis, and the wires of the growth drawing to the last landmark.
TEST(GrowthViews, PicturesDrawWhatTheNumbersSay) {
    const auto inside_page = [](const Graphics& g, Handle figure) {
        testing::RecordingPainter painter;
        render_figure(g, figure, painter);
        int outside = 0;
        for (const auto& shape : painter.shapes) {
            for (const PagePoint& p : shape.points)
                outside += p.x < 0 || p.x > 800 || p.y < 0 || p.y > 600;
        }
        for (const auto& text : painter.texts)
            outside += text.anchor.y < 0 || text.anchor.y > 600;
        return outside;
    };
    const Value red = Value::row({1, 0, 0}), blue = Value::row({0, 0, 1});

    // Distributions: every panel on the page; the x axis reaches past the last bar.
    Graphics g;
    const Handle distributions = g.create_figure({{"Position", Value::row({0, 0, 800, 600})}});
    draw_distributions(g, two_samples(), kNames);
    EXPECT_EQ(inside_page(g, distributions), 0);
    for (Handle panel : g.children(distributions)) {
        const double x_end = g.get(panel, "XLim").reals()[1];
        for (Handle line : g.children(panel)) {
            if (!g.get(line, "FillColor").is_real())
                continue;
            const Value x = g.get(line, "XData");
            for (double v : x.reals())
                EXPECT_LE(v, x_end);
        }
    }

    // Allometry: red for sample 1, blue for sample 2, and each line through its points' mean.
    AllometryScores scores;
    for (int k = 0; k < 2; ++k) {
        AllometryScores::Sample s;
        s.sizes = Eigen::VectorXd::LinSpaced(5, 3.0 + k, 4.0 + k);
        s.scores = 0.5 * (s.sizes.array() - 3.0) + 0.2 * k;
        s.slope = 0.5;
        s.mean_size = s.sizes.mean();
        s.mean_score = s.scores.mean();
        scores.samples.push_back(s);
    }
    const Handle allometry = g.create_figure({{"Position", Value::row({0, 0, 800, 600})}});
    draw_allometry(g, scores, kNames, SizeVariable::log_centroid_size);
    EXPECT_EQ(inside_page(g, allometry), 0);
    const std::vector<Handle> lines = g.children(current_axes(g));
    ASSERT_EQ(lines.size(), 4u);  // markers and line of each sample
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(g.get(lines[2 * k], "Color"), k == 0 ? red : blue) << k;
        EXPECT_EQ(g.get(lines[2 * k + 1], "Color"), k == 0 ? red : blue) << k;
        const Value x = g.get(lines[2 * k + 1], "XData"), y = g.get(lines[2 * k + 1], "YData");
        for (int end = 0; end < 2; ++end)
            EXPECT_NEAR(y.reals()[end], 0.5 * (x.reals()[end] - 3.0) + 0.2 * static_cast<double>(k),
                        1e-12);
    }

    // Growth: the reference's wires and each sample's moved wires, the last landmark's too.
    GrowthChange c;
    std::mt19937 gen(4);
    c.reference = testing::random_matrix(4, 3, gen);
    c.change = {testing::random_matrix(4, 3, gen), testing::random_matrix(4, 3, gen)};
    c.size_range = {1.0, 1.0};
    Eigen::MatrixXd wires(2, 3);
    wires << 1, 1, 2, 2, 3, 4;
    const Handle growth = g.create_figure({{"Position", Value::row({0, 0, 800, 600})}});
    draw_growth_change(g, c, wires, 2.0, kNames);
    EXPECT_EQ(inside_page(g, growth), 0);
    int to_last = 0, arrows_red = 0, arrows_blue = 0;
    for (Handle line : g.children(current_axes(g))) {
        const Value x = g.get(line, "XData");
        if (g.get(line, "MarkerAt").text() == "end") {
            arrows_red += g.get(line, "Color") == red;
            arrows_blue += g.get(line, "Color") == blue;
            continue;
        }
        if (x.reals().size() != 2)
            continue;
        for (const Eigen::MatrixXd& shape :
             {c.reference, Eigen::MatrixXd(c.reference + 2.0 * c.change[0]),
              Eigen::MatrixXd(c.reference + 2.0 * c.change[1])})
            to_last += x.reals()[1] == shape(3, 0);
    }
    EXPECT_EQ(to_last, 3);
    EXPECT_EQ(arrows_red, 4);
    EXPECT_EQ(arrows_blue, 4);
}

// The shape space: each sample's specimens at their scores in its marker and colour, named in the
// legend; its trajectory from the smallest to the largest size with the arrowhead at the larger
// end; the axes named by component and share, in equal units; the words in the exports.
TEST(GrowthViews, ShapeSpaceDrawsEverySpecimenAndTrajectory) {
    ensure_gui_application();
    std::mt19937 gen(41);
    std::vector<Eigen::MatrixXd> samples;
    for (int k = 0; k < 2; ++k) {
        Eigen::MatrixXd x = testing::random_matrix(6 + k, 7, gen);
        x.col(6) = Eigen::VectorXd::LinSpaced(6 + k, 10.0, 20.0 + 5 * k);
        samples.push_back(x);
    }
    const std::vector<const Eigen::MatrixXd*> pointers = {&samples[0], &samples[1]};
    const ShapeSpace space = shape_space(pointers, SizeVariable::centroid_size, false);
    Graphics g;
    const Handle figure = g.create_figure({{"Position", Value::row({0, 0, 800, 600})}});
    draw_shape_space(g, space, 3, 1, kNames);
    const Handle axes = current_axes(g);
    const std::vector<Handle> lines = g.children(axes);
    ASSERT_EQ(lines.size(), 8u);  // each sample: markers, trajectory, two sides of the head
    const std::vector<Trajectory> paths = trajectories(space, 2, 0);
    const auto reals = [&](Handle h, const char* property) {
        const Value v = g.get(h, property);
        return std::vector<double>(v.reals().begin(), v.reals().end());
    };
    for (std::size_t k = 0; k < 2; ++k) {
        const Handle markers = lines[4 * k];
        EXPECT_EQ(g.get(markers, "DisplayName").text(), kNames[k]);
        EXPECT_EQ(g.get(markers, "Marker").text(), k == 0 ? "d" : "o");
        const std::vector<double> x = reals(markers, "XData");
        const std::vector<double> y = reals(markers, "YData");
        ASSERT_EQ(x.size(), static_cast<std::size_t>(samples[k].rows()));
        for (std::size_t i = 0; i < x.size(); ++i) {
            const Eigen::Index row = space.first[k] + static_cast<Eigen::Index>(i);
            EXPECT_EQ(x[i], space.scores(row, 2));
            EXPECT_EQ(y[i], space.scores(row, 0));
        }
        const Handle path = lines[4 * k + 1];
        EXPECT_EQ(g.get(path, "Color"), g.get(markers, "Color"));
        EXPECT_EQ(reals(path, "XData")[0], paths[k].from.x());
        EXPECT_EQ(reals(path, "YData")[1], paths[k].to.y());
        // Both sides of the head start at the larger end and point back along the path.
        const Eigen::Vector2d back = (paths[k].from - paths[k].to).normalized();
        for (std::size_t side = 2; side < 4; ++side) {
            const std::vector<double> hx = reals(lines[4 * k + side], "XData");
            const std::vector<double> hy = reals(lines[4 * k + side], "YData");
            EXPECT_EQ(hx[0], paths[k].to.x());
            EXPECT_EQ(hy[0], paths[k].to.y());
            const Eigen::Vector2d along(hx[1] - hx[0], hy[1] - hy[0]);
            EXPECT_NEAR(along.normalized().dot(back), std::cos(25.0 * std::numbers::pi / 180.0),
                        1e-12);
        }
    }
    const std::string x_label = "PC3 (" + format_text("%.1f", {100.0 * space.shares(2)}) + " %)";
    EXPECT_EQ(g.get(axes, "XLabel").text(), x_label);
    EXPECT_EQ(g.get(axes, "YLabel").text().rfind("PC1 (", 0), 0u);
    EXPECT_EQ(g.get(axes, "UnitRatioMode").text(), "manual");
    EXPECT_EQ(g.get(axes, "AxesKind").text(), "2d");
    const std::string svg = figure_bytes(g, figure, "svg");
    const std::vector<std::string> emf = emf_texts(figure_bytes(g, figure, "emf"));
    for (const std::string& words : {x_label, kNames[0], kNames[1]}) {
        EXPECT_NE(svg.find(words), std::string::npos) << words;
        EXPECT_NE(std::find(emf.begin(), emf.end(), words), emf.end()) << words;
    }
    // Components beyond those that vary are refused, naming how many there are.
    const Eigen::Index m = space.variances.size();
    EXPECT_NE(testing::error_of([&] {
                  draw_shape_space(g, space, 1, m + 1, kNames);
              }).find(std::to_string(m) + " principal components"),
              std::string::npos);
    EXPECT_EQ(parse_component_pair(" 2, 3"), (std::array<Eigen::Index, 2>{2, 3}));
    for (const char* bad : {"1", "2,2", "0,1", "1.5,2", "1,2,3", "a,b", "1 2"})
        EXPECT_FALSE(parse_component_pair(bad)) << bad;
}

}  // namespace
}  // namespace kelmar
