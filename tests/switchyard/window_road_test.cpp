// The main window driven as a user drives it, headless: buttons clicked through their widgets,
// files chosen by script, errors seen in the error boxes they raise.
#include "batch/batch.hpp"
#include "display/growth_views.hpp"
#include "gui/load_dialogs.hpp"
#include "gui/openfig.hpp"
#include "landmarks/landmark_file.hpp"
#include "landmarks/table_file.hpp"
#include "platform/export/renderer.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/scripted_dialogs.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/format.hpp"
#include "platform/qt/qt_view.hpp"
#include "shell/program.hpp"
#include "switchyard/kelmarsw.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <regex>
#include <sstream>

namespace kelmar {
namespace {

const std::string kExamples = KELMAR_EXAMPLES_DIR;

class WindowRoad : public ::testing::Test {
  protected:
    WindowRoad() : folder_(true), program_(console_) {
        set_figure_resource_folder(KELMAR_RESOURCES_DIR);
        for (InitTermRow& row : program_.init_term_table())
            row.initialise();
        program_.set_dialogs(&scripted_);
        program_.table().call("kelmar6", 0, {});
        main_ = tagged(g(), "Kelmar6").front();
    }
    ~WindowRoad() override {
        for (auto row = program_.init_term_table().rbegin();
             row != program_.init_term_table().rend(); ++row)
            row->terminate();
    }
    Graphics& g() { return program_.graphics(); }
    QWidget* widget(Handle h) { return dynamic_cast<QtView*>(g().view())->widget(h); }
    QAbstractButton* button(const char* tag) {
        return qobject_cast<QAbstractButton*>(widget(tagged(g(), tag).front()));
    }
    // Clicks a button as the user does; a disabled one does nothing.
    void click(const char* tag) { button(tag)->click(); }
    void check(const char* tag, bool on) {
        if (button(tag)->isChecked() != on)
            click(tag);
    }
    void load(const char* load_button, const std::string& file,
              const std::string& folder = kExamples) {
        scripted_.answer_file(folder, file);
        click(load_button);
    }
    std::string text(const char* tag) { return g().get(tagged(g(), tag).front(), "String").text(); }
    bool enabled(const char* tag) { return button(tag)->isEnabled(); }
    // The text of the last error box, or empty when none was shown.
    std::string last_error() {
        for (auto it = scripted_.shown().rbegin(); it != scripted_.shown().rend(); ++it) {
            if (it->kind == "error")
                return it->text;
        }
        return {};
    }
    std::vector<Handle> drawings() {
        std::vector<Handle> out;
        for (Handle f : g().figures()) {
            if (f != main_)
                out.push_back(f);
        }
        return out;
    }
    std::string saved_report(const std::string& name) {
        scripted_.answer_file(folder_.path().string(), name);
        click("Pushbutton6");
        return read_file_bytes((folder_ / name).string()).value_or("");
    }
    std::string batch_report(std::vector<std::string> args) {
        const std::string path = (folder_ / "batch_report.txt").string();
        args.insert(args.begin(), {"kelmar6-batch", "--report", path});
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        std::ostringstream out, err;
        EXPECT_EQ(run_batch(static_cast<int>(argv.size()), argv.data(), out, err, false), 0)
            << err.str();
        return read_file_bytes(path).value_or("");
    }

    testing::ScratchFolder folder_;
    std::ostringstream console_;
    Program program_;
    ScriptedDialogs scripted_;
    Handle main_ = 0;
};

const std::string a_file = kExamples + "/growth_sample_a.txt";
const std::string b_file = kExamples + "/growth_sample_b.txt";

// Red pixels of a drawing's axes widget: the markers of sample 1.
int red_pixels(QWidget* w) {
    const QImage image = w->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    }
    return red;
}

TEST_F(WindowRoad, AxesOffHidesTheBoxNotTheShapes) {
    EXPECT_FALSE(enabled("Pushbutton9"));  // no drawing yet
    check("Show3", true);
    load("Pushbutton1", "growth_sample_a.txt");
    ASSERT_EQ(drawings().size(), 1u);
    EXPECT_EQ(g().get(drawings()[0], "Name").text(),
              "Sample 1 on its reference: growth_sample_a.txt");
    const Handle axes = g().children(drawings()[0]).front();
    QWidget* drawn = widget(axes);
    const int before = red_pixels(drawn);
    ASSERT_GT(before, 0);
    ASSERT_TRUE(enabled("Pushbutton9"));
    click("Pushbutton9");
    EXPECT_EQ(g().get(axes, "Visible").text(), "off");
    EXPECT_TRUE(drawn->isVisible());
    EXPECT_GT(red_pixels(drawn), before / 2);
    click("Pushbutton8");  // Auto Axis brings the box back
    EXPECT_EQ(g().get(axes, "Visible").text(), "on");
    EXPECT_EQ(last_error(), "");
}

// The result and the report name the coordinates analysed; the reference box says when a change
// takes effect; a new sample 1 clears the old result.
TEST_F(WindowRoad, TheAnalysedCoordinatesAreNamed) {
    check("Show3", false);
    EXPECT_FALSE(enabled("Pushbutton6"));
    load("Pushbutton1", "growth_sample_a.txt");
    load("Pushbutton3", "growth_sample_b.txt");
    click("Pushbutton2");
    EXPECT_EQ(text("EditText1").substr(text("EditText1").rfind('\n')), "\n Coordinates as read");
    // The box's note goes below the result, which stays; a second change replaces the note.
    const std::string result = text("EditText1");
    check("referencebutton", true);
    check("referencebutton", false);
    check("referencebutton", true);
    EXPECT_EQ(text("EditText1"), result +
                                     " \n The common Procrustes GLS reference takes effect when "
                                     "sample 2 is loaded again; the samples are analysed as read "
                                     "until then");
    EXPECT_FALSE(enabled("Pushbutton11"));  // the samples are not on one common reference
    EXPECT_FALSE(enabled("Pushbutton15"));
    ASSERT_TRUE(enabled("Pushbutton6"));
    EXPECT_NE(saved_report("r.txt").find("\nAnalysed coordinates as read\n"), std::string::npos);
    load("Pushbutton3", "growth_sample_b.txt");
    EXPECT_TRUE(enabled("Pushbutton11"));
    // Shape Space draws both samples on the components of its field, before any analysis.
    ASSERT_TRUE(enabled("Pushbutton15"));
    g().set(tagged(g(), "ComponentsEdit").front(), "String", "2,1");
    const std::size_t before = drawings().size();
    click("Pushbutton15");
    EXPECT_EQ(last_error(), "");
    ASSERT_EQ(drawings().size(), before + 1);
    EXPECT_EQ(g().get(drawings().back(), "Name").text(), "Shape space");
    const Handle space_axes = g().children(drawings().back()).front();
    EXPECT_EQ(g().get(space_axes, "XLabel").text().rfind("PC2 (", 0), 0u);
    EXPECT_EQ(g().get(space_axes, "YLabel").text().rfind("PC1 (", 0), 0u);
    std::vector<std::size_t> points;
    for (Handle line : g().children(space_axes)) {
        if (!g().get(line, "DisplayName").text().empty())
            points.push_back(g().get(line, "XData").reals().size());
    }
    EXPECT_EQ(points, (std::vector<std::size_t>{40, 32}));
    g().set(tagged(g(), "ComponentsEdit").front(), "String", "1,1");
    click("Pushbutton15");
    EXPECT_NE(last_error().find("given \"1,1\""), std::string::npos) << last_error();
    EXPECT_EQ(drawings().size(), before + 1);
    EXPECT_NE(g().get(tagged(g(), "Pushbutton11").front(), "Tooltip")
                  .text()
                  .find("needs both samples on the common Procrustes GLS reference"),
              std::string::npos);
    click("Pushbutton2");
    EXPECT_NE(text("EditText1").find("On the common Procrustes GLS reference"), std::string::npos);
    click("Pushbutton5");
    EXPECT_EQ(text("EditText1").rfind("Sample 1 and isometry: 90.0 \n", 0), 0u)
        << text("EditText1");

    load("Pushbutton1", "growth_sample_a.txt");
    EXPECT_EQ(text("EditText1"), "");
    EXPECT_FALSE(enabled("Pushbutton11"));
    EXPECT_FALSE(enabled("Pushbutton15"));
}

// Every report of the window, not only the first, is repeated by kelmar6-batch from the seed and
// the position the report names; after an angle to isometry too.
TEST_F(WindowRoad, EveryReportCanBeRepeated) {
    check("Show3", false);
    load("Pushbutton1", "growth_sample_a.txt");
    load("Pushbutton3", "growth_sample_b.txt");
    const std::regex position("Random numbers: seed 5489, ([0-9]+) drawn before the bootstrap\n$");
    for (int press = 1; press <= 3; ++press) {
        click("Pushbutton2");
        const std::string report = saved_report("press" + std::to_string(press) + ".txt");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(report, m, position)) << report;
        if (press == 1) {
            EXPECT_EQ(m[1], "0");
        }
        EXPECT_EQ(report, batch_report({"--skip", m[1], a_file, b_file})) << "press " << press;
    }
    click("Pushbutton5");
    const std::string isometry = saved_report("isometry.txt");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(isometry, m, position));
    EXPECT_EQ(isometry, batch_report({"--isometry", "--skip", m[1], a_file, b_file}));
}

// A new sample 1 after an analysis on the common reference: the old results go (texts, report,
// pictures), sample 2 fitted with the old sample 1 is refused until loaded again, and every
// report saved on the way is the batch tool's for the same files, choices and position.
TEST_F(WindowRoad, ANewSampleForgetsTheOldAnalysis) {
    const std::string c_file = kExamples + "/growth_sample_c.txt";
    const std::regex position("Random numbers: seed 5489, ([0-9]+) drawn before the bootstrap\n$");
    const auto skip_of = [&](const std::string& report) {
        std::smatch m;
        EXPECT_TRUE(std::regex_search(report, m, position)) << report;
        return m.size() > 1 ? m[1].str() : std::string("0");
    };
    check("Show3", false);
    check("referencebutton", true);
    load("Pushbutton1", "growth_sample_a.txt");
    load("Pushbutton3", "growth_sample_b.txt");
    click("Pushbutton2");
    const std::string first = saved_report("ab.txt");
    EXPECT_EQ(first, batch_report({"--common-reference", a_file, b_file}));
    EXPECT_TRUE(enabled("Pushbutton12"));

    load("Pushbutton1", "growth_sample_c.txt");
    EXPECT_EQ(text("EditText1"), "");
    for (const char* tag : {"Pushbutton6", "Pushbutton12", "Pushbutton13", "Pushbutton14"})
        EXPECT_FALSE(enabled(tag)) << tag;
    click("Pushbutton2");
    EXPECT_NE(last_error().find("load sample 2 again"), std::string::npos) << last_error();
    EXPECT_FALSE(enabled("Pushbutton6"));

    click("Pushbutton5");  // sample 1 alone: as read
    const std::string isometry = saved_report("c_isometry.txt");
    EXPECT_EQ(isometry, batch_report({"--isometry", "--skip", skip_of(isometry), c_file, b_file}));

    load("Pushbutton3", "growth_sample_b.txt");
    EXPECT_FALSE(enabled("Pushbutton6"));
    click("Pushbutton2");
    const std::string cb = saved_report("cb.txt");
    EXPECT_EQ(cb, batch_report({"--common-reference", "--skip", skip_of(cb), c_file, b_file}));
}

// Angle to Isometry analyses sample 1 alone, so a sample 2 of other landmarks stays loaded: the
// window's pictures show sample 1, and kelmar6-batch runs the same analysis with every output.
TEST_F(WindowRoad, AngleToIsometryTakesASample2OfOtherLandmarks) {
    check("Show3", false);
    load("Pushbutton1", "macaque_male.txt");
    load("Pushbutton3", "growth_sample_b.txt");
    click("Pushbutton5");
    click("Pushbutton12");
    click("Pushbutton13");
    EXPECT_EQ(last_error(), "");
    const std::string report = saved_report("isometry.txt");
    EXPECT_EQ(report, batch_report({"--isometry", "--json", (folder_ / "j.json").string(),
                                    kExamples + "/macaque_male.txt", b_file}));
}

// A 2D pair through every button: flat drawings with equal units that no drag turns, every
// analysis and picture, the report the batch tool writes for the same files; a plain table read
// as 2D through its own filter entry.
TEST_F(WindowRoad, TwoDimensionalSamplesThroughEveryButton) {
    const std::string flat_a = kExamples + "/flat_growth_a.tps";
    const std::string flat_b = kExamples + "/flat_growth_b.tps";
    check("Show3", true);
    check("referencebutton", true);
    load("Pushbutton1", "flat_growth_a.tps");
    load("Pushbutton3", "flat_growth_b.tps");
    EXPECT_NE(text("File2Tag").find("10 Landmarks (2D)"), std::string::npos) << text("File2Tag");
    ASSERT_EQ(drawings().size(), 2u);
    const Handle axes = g().children(drawings()[1]).front();
    EXPECT_EQ(g().get(axes, "AxesKind").text(), "2d");
    EXPECT_EQ(g().get(axes, "ZLabel").text(), "");
    const Value view = g().get(axes, "View");
    QWidget* drawn = widget(axes);
    const auto mouse = [&](QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, drawn->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(drawn, &event);
    };
    mouse(QEvent::MouseButtonPress, {50, 50});
    mouse(QEvent::MouseMove, {120, 90});                           // a drag that turns a 3D drawing
    EXPECT_EQ(g().get(axes, "View").reals()[0], view.reals()[0]);  // not turned
    g().set(axes, "AxesKind", "3d");
    mouse(QEvent::MouseMove, {150, 90});  // the same drag turns a box
    EXPECT_NE(g().get(axes, "View").reals()[0], view.reals()[0]);
    g().set(axes, "AxesKind", "2d");

    for (const char* tag : {"Pushbutton2", "Pushbutton11", "Pushbutton12", "Pushbutton13",
                            "Pushbutton14", "Pushbutton8", "Pushbutton9"})
        click(tag);
    EXPECT_EQ(last_error(), "");
    ASSERT_EQ(drawings().size(), 5u);
    EXPECT_EQ(g().get(g().children(drawings()[3]).front(), "AxesKind").text(), "2d");  // growth
    scripted_.answer_file(folder_.path().string(), "growth.svg");
    click("Pushbutton7");
    EXPECT_TRUE(read_file_bytes((folder_ / "growth.svg").string()).has_value());
    const std::string report = saved_report("flat.txt");
    EXPECT_NE(report.find("  10 Landmarks (2D) and   32 Sample points"), std::string::npos);
    const std::regex position(
        "seed 5489, ([0-9]+) drawn before the bootstrap, ([0-9]+) before the permutation");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(report, m, position)) << report;
    EXPECT_EQ(report, batch_report({"--common-reference", "--permutations", "999", "--skip", m[1],
                                    flat_a, flat_b}));
    click("Pushbutton5");
    EXPECT_EQ(last_error(), "");

    // The same sample as a plain table: 2D through its filter entry, refused as 3D otherwise.
    const LandmarkSample tps = read_landmark_sample(flat_a);
    std::string table;
    for (Eigen::Index i = 0; i < tps.data.rows(); ++i) {
        for (Eigen::Index j = 0; j < tps.data.cols(); ++j)
            table += shortest_text(tps.data(i, j)) + (j + 1 < tps.data.cols() ? " " : "\n");
    }
    write_file_atomically((folder_ / "plain.txt").string(), table);
    scripted_.answer_file(folder_.path().string(), "plain.txt",
                          std::string(kTable2dFilter) + " (*.txt *.dat)");
    click("Pushbutton1");
    EXPECT_EQ(last_error(), "");
    EXPECT_NE(text("File1Tag").find("10 landmarks (2D)"), std::string::npos) << text("File1Tag");
    load("Pushbutton1", "plain.txt", folder_.path().string());
    EXPECT_NE(last_error().find("3p + 1 numbers"), std::string::npos) << last_error();
}

// A refused sample 2 leaves the texts as they were; a wirelist the sample cannot take is named.
TEST_F(WindowRoad, RefusedLoadsAndUnfitWirelistsAreTold) {
    check("Show3", false);
    load("Pushbutton1", "growth_sample_a.txt");
    load("Pushbutton3", "growth_sample_b.txt");
    click("Pushbutton2");
    const std::string sample2 = text("File2Tag");
    const std::string result = text("EditText1");
    write_file_atomically((folder_ / "bad.txt").string(), "1 2 3 4\n1 2 3 -1\n");
    load("Pushbutton3", "bad.txt", folder_.path().string());
    EXPECT_NE(last_error(), "");
    EXPECT_EQ(text("File2Tag"), sample2);
    EXPECT_EQ(text("EditText1"), result);

    load("Pushbutton4", "growth_wirelist.txt");  // up to landmark 16
    const Eigen::Index wirelist_rows =
        read_table_file(kExamples + "/growth_wirelist.txt").value().rows();
    check("Show3", true);
    load("Pushbutton3", "macaque_male.txt");  // 7 landmarks
    const std::string wireless = text("EditText1");
    EXPECT_NE(wireless.find("The wirelist (" + std::to_string(wirelist_rows) +
                            " wires, up to landmark 16) does not fit these 7 landmarks: the "
                            "drawing has no wireframe"),
              std::string::npos)
        << wireless;
}

// A sample that lacks landmarks is asked about: cancelled, nothing changes; estimated, it loads,
// the report names the estimates and the drawing shows them hollow.
TEST_F(WindowRoad, MissingLandmarksAreAskedAbout) {
    check("Show3", true);
    load("Pushbutton1", "growth_sample_b.txt");
    const std::string before = text("File1Tag");
    scripted_.answer_question(false);
    load("Pushbutton1", "growth_sample_a_missing.txt");
    ASSERT_FALSE(scripted_.shown().empty());
    const auto asked = scripted_.shown().back();
    EXPECT_EQ(asked.kind, "question");
    EXPECT_EQ(asked.text.rfind("growth_sample_a_missing.txt: 12 landmarks of 8 specimens are "
                               "missing (the first: \"growth_sample_a_missing.txt\", line ",
                               0),
              0u)
        << asked.text;
    EXPECT_EQ(text("File1Tag"), before);
    EXPECT_EQ(last_error(), "");
    const std::size_t drawn = drawings().size();
    scripted_.answer_question(true);
    load("Pushbutton1", "growth_sample_a_missing.txt");
    EXPECT_EQ(last_error(), "");
    EXPECT_NE(text("File1Tag"), before);
    ASSERT_EQ(drawings().size(), drawn + 1);
    int hollow = 0;
    for (Handle line : g().children(g().children(drawings().back()).front())) {
        hollow += g().get(line, "DisplayName").text().starts_with("sample 1") &&
                  g().get(line, "MarkerFaceColor").text() == "none";
    }
    EXPECT_EQ(hollow, 8);  // one line for each specimen with estimates
    load("Pushbutton3", "growth_sample_b.txt");
    click("Pushbutton2");
    EXPECT_NE(saved_report("missing.txt")
                  .find("12 landmarks of 8 specimens estimated (thin-plate spline)"),
              std::string::npos);
}

// A step that fails after its progress was shown puts the earlier result text back.
TEST_F(WindowRoad, AFailedStepRestoresTheResultText) {
    std::string same;  // one shape at many sizes: no growth direction
    for (int i = 0; i < 12; ++i)
        same += "1 2 3 4 6 5 7 9 8 0 1 1 " + std::to_string(20 + 5 * i) + "\n";
    write_file_atomically((folder_ / "same.txt").string(), same);
    check("Show3", false);
    load("Pushbutton1", "same.txt", folder_.path().string());
    load("Pushbutton3", "same.txt", folder_.path().string());
    check("referencebutton", true);  // says when the choice takes effect
    const std::string before = text("EditText1");
    ASSERT_FALSE(before.empty());
    click("Pushbutton2");
    EXPECT_NE(last_error().find("do not change with size beyond rounding"), std::string::npos);
    EXPECT_EQ(text("EditText1"), before);
    EXPECT_EQ(g().get(main_, "Pointer").text(), "arrow");
}

// Copy saves the drawing last looked at, or says that it was closed; never an older one.
TEST_F(WindowRoad, CopyNeverSavesAnOlderDrawing) {
    check("Show3", true);
    load("Pushbutton1", "growth_sample_a.txt");
    check("referencebutton", true);
    load("Pushbutton3", "growth_sample_b.txt");
    ASSERT_EQ(drawings().size(), 2u);
    EXPECT_EQ(g().get(drawings()[1], "Name").text(),
              "Both samples on the common reference: growth_sample_b.txt");
    widget(drawings()[1])->close();  // the user closes the newer drawing
    ASSERT_EQ(drawings().size(), 1u);
    scripted_.answer_file(folder_.path().string(), "figure.emf");
    click("Pushbutton7");
    EXPECT_EQ(last_error().find("the drawing last looked at was closed: click the drawing you "
                                "want"),
              0u)
        << last_error();
    EXPECT_FALSE(read_file_bytes((folder_ / "figure.emf").string()).has_value());
    // Looking at the older one makes it the one Copy saves.
    g().activated(drawings()[0]);
    click("Pushbutton7");
    EXPECT_TRUE(read_file_bytes((folder_ / "figure.emf").string()).has_value());
    // The button, its tooltip and its dialog name every format it writes.
    EXPECT_EQ(button("Pushbutton7")->text().toStdString(), "Copy Figure");
    EXPECT_NE(button("Pushbutton7")->toolTip().toStdString().find("EMF, SVG, PDF or PNG"),
              std::string::npos);
    const ScriptedDialogs::Shown& asked = scripted_.shown().back();
    EXPECT_EQ(asked.kind, "save");
    EXPECT_EQ(asked.filter, "Figures (*.emf *.svg *.pdf *.png)");
    EXPECT_NE(asked.title.find("EMF, SVG, PDF or PNG"), std::string::npos);

    // With the last drawing closed, the buttons that act on drawings are disabled.
    for (const char* tag : {"Pushbutton7", "Pushbutton8", "Pushbutton9"})
        EXPECT_TRUE(enabled(tag)) << tag;
    widget(drawings()[0])->close();
    ASSERT_TRUE(drawings().empty());
    for (const char* tag : {"Pushbutton7", "Pushbutton8", "Pushbutton9"})
        EXPECT_FALSE(enabled(tag)) << tag;
}

// The window as the figure file draws it: the title at its font size, a minimum size at which no
// label is clipped, the file's full name in the tooltip of its shortened text; in the drawing the
// reference drawn last, large and filled, the specimens small.
TEST_F(WindowRoad, ReadableWindowAndDrawing) {
    EXPECT_EQ(widget(tagged(g(), "TitleText").front())->font().pointSizeF(), 14.0);
    EXPECT_EQ(widget(main_)->minimumSize(), QSize(740, 440));
    write_file_atomically((folder_ / "macaque_males_2024_field_adults.txt").string(),
                          read_file_bytes(kExamples + "/macaque_male.txt").value());
    check("Show3", true);
    load("Pushbutton1", "macaque_males_2024_field_adults.txt", folder_.path().string());
    QWidget* file = widget(tagged(g(), "File1Tag").front());
    EXPECT_EQ(file->toolTip().toStdString(), "macaque_males_2024_field_adults.txt");
    EXPECT_EQ(text("File1Tag").rfind("File macaque_mal\u2026d_adults.txt", 0), 0u);
    // Each line of the text stays one line in the window: none is wider than the control.
    auto* label = dynamic_cast<QLabel*>(file);
    ASSERT_NE(label, nullptr);
    const QStringList shown = label->text().split('\n');
    EXPECT_EQ(shown.size(), 3);
    for (const QString& line : shown)
        EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->contentsRect().width());
    const std::vector<Handle> lines = g().children(g().children(drawings()[0]).front());
    const Handle reference = lines.back();
    EXPECT_EQ(g().get(reference, "Marker").text(), "p");
    EXPECT_GT(g().get(reference, "MarkerSize").to_scalar(),
              2 * g().get(lines.front(), "MarkerSize").to_scalar());
    EXPECT_EQ(g().get(reference, "MarkerFaceColor").text(), "auto");
}

// The bundled macaques under 45-character names, in a drawing of 488 × 366: the legend's names
// shortened in the middle beside the box, and the box as large as its proportions allow (the
// principal axes put the longest spread on z, so the box is tall): most of the height, and far
// from the collapsed dot it was.
TEST_F(WindowRoad, LongNamesLeaveTheDrawingItsBox) {
    const std::string male = "macaque_male_adults_field_season_2024_xxx.tps";
    const std::string female = "macaque_female_adults_field_season_2024_x.txt";
    ASSERT_EQ(male.size(), 45u);
    ASSERT_EQ(female.size(), 45u);
    write_file_atomically((folder_ / male).string(),
                          read_file_bytes(kExamples + "/formats/macaque_male.tps").value());
    write_file_atomically(
        (folder_ / female).string(),
        read_file_bytes(kExamples + "/formats/macaque_female_morphologika.txt").value());
    check("Show3", true);
    load("Pushbutton1", male, folder_.path().string());
    load("Pushbutton3", female, folder_.path().string());
    ASSERT_EQ(last_error(), "");
    const Handle drawing = drawings().back();
    g().set(drawing, "Position", Value::row({0, 0, 488, 366}));
    const Handle axes = g().children(drawing).front();
    const Projection project(g(), axes, axes_area(g(), axes));
    for (const auto& [name, line] : project.legend().entries)
        EXPECT_LE(character_count(name), 32u) << name;
    double lo_x = 1e9, hi_x = -1e9, lo_y = 1e9, hi_y = -1e9;
    for (int k = 0; k < 8; ++k) {
        const PagePoint c = project.corner(k & 1, (k >> 1) & 1, (k >> 2) & 1);
        lo_x = std::min(lo_x, c.x), hi_x = std::max(hi_x, c.x);
        lo_y = std::min(lo_y, c.y), hi_y = std::max(hi_y, c.y);
    }
    EXPECT_GE(hi_y - lo_y, 0.75 * 366);
    EXPECT_GE(hi_x - lo_x, 0.3 * 488);
    EXPECT_GE(lo_x, 0.0);
    EXPECT_LE(hi_x, project.legend().left);  // the legend beside the box covers none of it
}

// The pictures of an analysis: enabled by an angle step, each in a window of its own that Copy
// saves; a new load disables them again.
TEST_F(WindowRoad, ThePicturesOfAnAnalysis) {
    check("Show3", false);
    check("referencebutton", true);
    load("Pushbutton1", "growth_sample_a.txt");
    load("Pushbutton3", "growth_sample_b.txt");
    EXPECT_FALSE(enabled("Pushbutton12"));
    click("Pushbutton2");
    click("Pushbutton11");
    ASSERT_TRUE(enabled("Pushbutton12") && enabled("Pushbutton13") && enabled("Pushbutton14"));
    click("Pushbutton12");
    g().set(tagged(g(), "MagnifyEdit").front(), "String", "3");
    click("Pushbutton13");
    click("Pushbutton14");
    EXPECT_EQ(last_error(), "");
    ASSERT_EQ(drawings().size(), 3u);
    const auto title = [&](std::size_t k) {
        return g().get(g().children(drawings()[k]).front(), "Title").text();
    };
    EXPECT_EQ(g().get(drawings()[0], "Name").text(), "Allometry plot");
    EXPECT_EQ(title(0), "Allometry: shape against size");
    EXPECT_EQ(g().get(g().children(drawings()[0]).front(), "XLabel").text(), "log centroid size");
    EXPECT_EQ(title(1), "Growth over each sample's size range, magnified 3 times");
    // Two samples' bootstraps and the pair's permutations.
    EXPECT_EQ(g().children(drawings()[2]).size(), 3u);
    scripted_.answer_file(folder_.path().string(), "distributions.svg");
    click("Pushbutton7");
    const std::string svg = read_file_bytes((folder_ / "distributions.svg").string()).value_or("");
    for (const char* words : {"permuted angles", "UCL95", "angle (degrees)", "replicates"})
        EXPECT_NE(svg.find(words), std::string::npos) << words;

    g().set(tagged(g(), "MagnifyEdit").front(), "String", "none");
    click("Pushbutton13");
    EXPECT_NE(last_error().find("magnification"), std::string::npos);
    g().set(tagged(g(), "MagnifyEdit").front(), "String", "1e300");
    click("Pushbutton13");
    EXPECT_NE(last_error().find("a number from 0.001 to 1000"), std::string::npos);

    // On centroid size the plot's sizes are the sizes themselves, and its axis says so.
    g().set(tagged(g(), "Listbox1").front(), "Value", 2.0);
    click("Pushbutton2");
    click("Pushbutton12");
    const Handle cs_axes = g().children(drawings().back()).front();
    EXPECT_EQ(g().get(cs_axes, "XLabel").text(), "centroid size");
    double smallest = 1e300;
    for (Handle line : g().children(cs_axes)) {
        const Value x = g().get(line, "XData");
        for (double v : x.reals())
            smallest = std::min(smallest, v);
    }
    EXPECT_GT(smallest, 20.0);  // centroid sizes of the growth samples, not their logarithms
    load("Pushbutton3", "growth_sample_b.txt");
    EXPECT_FALSE(enabled("Pushbutton12"));
}

// Growth Change chooses its magnification until one is typed: the field shows the factor in use
// and the title says it; a new analysis chooses again, a typed value wins.
TEST_F(WindowRoad, GrowthChangeChoosesItsMagnificationUntilOneIsTyped) {
    check("Show3", false);
    check("referencebutton", true);
    load("Pushbutton1", "macaque_male.txt");
    load("Pushbutton3", "macaque_female.txt");
    click("Pushbutton2");
    EXPECT_EQ(text("MagnifyEdit"), "");
    click("Pushbutton13");
    ASSERT_EQ(last_error(), "");
    const std::string chosen = text("MagnifyEdit");
    const double m = std::stod(chosen);
    EXPECT_GT(m, 1.0);
    EXPECT_EQ(m, default_magnification(program_.session().growth_as_shape_change()));
    const auto title = [&] {
        return g().get(g().children(drawings().back()).front(), "Title").text();
    };
    EXPECT_EQ(title(), "Growth over each sample's size range, magnified " + chosen + " times");
    g().set(tagged(g(), "MagnifyEdit").front(), "String", "3");
    click("Pushbutton13");
    EXPECT_EQ(title(), "Growth over each sample's size range, magnified 3 times");
    EXPECT_EQ(text("MagnifyEdit"), "3");
}

// Drawings cover none of the main window's controls, on a small screen and a large one.
TEST_F(WindowRoad, DrawingsLeaveTheMainWindowFree) {
    for (const auto& [width, height] : {std::pair{1280.0, 1024.0}, std::pair{1920.0, 1080.0}}) {
        g().update_from_view(Graphics::kRoot, "ScreenSize", Value::row({1, 1, width, height}));
        check("Show3", true);
        load("Pushbutton1", "growth_sample_a.txt");
        load("Pushbutton3", "growth_sample_b.txt");
        load("Pushbutton1", "macaque_male.txt");
        const Rect main = to_rect(g().get(main_, "OuterPosition"));
        for (Handle d : drawings()) {
            const Rect r = to_rect(g().get(d, "OuterPosition"));
            const bool apart = r.left >= main.left + main.width || r.left + r.width <= main.left ||
                               r.bottom >= main.bottom + main.height ||
                               r.bottom + r.height <= main.bottom;
            EXPECT_TRUE(apart) << width << " × " << height << ": drawing at " << r.left << ", "
                               << r.bottom << " size " << r.width << " × " << r.height;
            EXPECT_LE(r.left + r.width, width);
            g().close(d);
        }
    }
}

}  // namespace
}  // namespace kelmar
