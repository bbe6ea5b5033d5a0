#include "switchyard/kelmarsw.hpp"

#include "batch/batch.hpp"
#include "gui/load_dialogs.hpp"
#include "gui/openfig.hpp"
#include "platform/graphics/scripted_dialogs.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/paths.hpp"
#include "platform/qt/qt_view.hpp"
#include "shell/program.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelmar {
namespace {

using testing::error_of;
const std::string kExamples = KELMAR_EXAMPLES_DIR;

class SwitchyardTest : public ::testing::Test {
  protected:
    SwitchyardTest() : s{g, [this]() -> Dialogs& { return dialogs_; }, session, console} {
        window = openfig(g, KELMAR_RESOURCES_DIR "/Kelmar6.fig", "new");
    }
    std::string text(const char* tag) { return g.get(tagged(g, tag).front(), "String").text(); }
    void set_value(const char* tag, double v) { set_tagged(g, tag, "Value", v); }
    void choose(const char* name) { dialogs_.answer_file(kExamples, name); }
    void run(const char* action) { kelmarsw(s, action); }

    Graphics g;
    ScriptedDialogs dialogs_;
    Session session;
    std::ostringstream console;
    Switchyard s;
    Handle window = 0;
};

TEST_F(SwitchyardTest, OnlyTheExactActionStringsRun) {
    for (const char* action : {"Load1", "load1 ", "copy", "nosuch", ""})
        run(action);
    EXPECT_TRUE(dialogs_.shown().empty());
    EXPECT_TRUE(console.str().empty());
    EXPECT_EQ(g.figures().size(), 1u);
}

TEST_F(SwitchyardTest, LoadsShowCountsEchoAndDrawWhenAsked) {
    set_value("Show3", 0);
    choose("growth_sample_a.txt");
    run("load1");
    EXPECT_EQ(text("File1Tag"), "File growth_sample_a.txt \n   40 Samples \n   16 landmarks");
    EXPECT_EQ(g.get(tagged(g, "Pushbutton3").front(), "Enable").text(), "On");
    EXPECT_EQ(g.figures().size(), 1u);  // Show3 off: no drawing
    EXPECT_NE(console.str().find("nh ="), std::string::npos);
    EXPECT_NE(console.str().find("show3q ="), std::string::npos);
    EXPECT_EQ(session.variables().NBOOTS, 100);

    dialogs_.answer_file(kExamples, "growth_wirelist.txt");
    run("loadwire");
    EXPECT_EQ(dialogs_.shown().back().text,
              "Loaded Wirelist: growth_wirelist.txt \n,with 21 wires");
    set_value("Show3", 1);
    set_value("referencebutton", 1);
    choose("growth_sample_b.txt");
    run("load2");
    EXPECT_EQ(text("EditText1"), "Using Common Procrustes GLS Reference");
    ASSERT_EQ(g.figures().size(), 2u);
    // The reference, 32 specimens of sample 2, 40 of sample 1 and 21 wires, in a window beside
    // the main window rather than over its buttons.
    const Handle drawing = g.figures().back();
    const Rect main = to_rect(g.get(window, "OuterPosition"));
    const Rect drawn = to_rect(g.get(drawing, "OuterPosition"));
    EXPECT_GE(drawn.left, main.left + main.width);
    const Handle axes = g.children(drawing).front();
    EXPECT_EQ(g.children(axes).size(), 1u + 32u + 40u + 21u);

    // Cancelled dialogs change nothing.
    const std::string before = text("File1Tag");
    dialogs_.answer_cancel();
    run("load1");
    EXPECT_EQ(text("File1Tag"), before);
    EXPECT_EQ(session.variables().FNAME1, "growth_sample_a.txt");
}

// The load dialogs offer the landmark formats; a Slicer markup file brings its folder's
// specimens, and a Morphologika wireframe becomes the wirelist when none is loaded.
TEST_F(SwitchyardTest, LoadsReadTheLandmarkFormats) {
    const testing::ScratchFolder folder;
    std::filesystem::create_directory(folder / "skulls");
    const double shapes[3][12] = {{0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2},
                                  {0, 0, 1, 5, 0, 0, 0, 4, 0, 1, 0, 3},
                                  {1, 0, 0, 6, 1, 0, 0, 5, 0, 0, 1, 4}};
    std::string morphologika = "[individuals]\n3\n[landmarks]\n4\n[rawpoints]\n";
    for (int i = 0; i < 3; ++i) {
        std::string name = "s";
        name += std::to_string(i) + ".fcsv";
        std::ofstream markup(folder / "skulls" / name);
        for (int k = 0; k < 4; ++k) {
            markup << k << "," << shapes[i][3 * k] << "," << shapes[i][3 * k + 1] << ","
                   << shapes[i][3 * k + 2] << "\n";
            morphologika += std::to_string(shapes[i][3 * k]) + " " +
                            std::to_string(shapes[i][3 * k + 1]) + " " +
                            std::to_string(shapes[i][3 * k + 2]) + "\n";
        }
    }
    std::ofstream(folder / "skulls.txt") << morphologika << "[wireframe]\n1 2\n2 3\n";
    set_value("Show3", 0);
    dialogs_.answer_file((folder / "skulls").string(), "s1.fcsv");
    run("load1");
    EXPECT_EQ(dialogs_.shown().back().filter, kLandmarkFileFilter);
    EXPECT_EQ(text("File1Tag"), "File skulls \n    3 Samples \n    4 landmarks");
    EXPECT_FALSE(session.variables().wireactive);
    dialogs_.answer_file(folder.path().string(), "skulls.txt");
    run("load2");
    EXPECT_TRUE(session.variables().wireactive);
    EXPECT_EQ(session.variables().wirelist.rows(), 2);
}

TEST_F(SwitchyardTest, AnglesReadTheListsAndAlwaysRestoreThePointer) {
    g.figure(window);
    EXPECT_NE(error_of([&] { run("anglebetween"); }).find("load sample 1"), std::string::npos);
    EXPECT_EQ(g.get(window, "Pointer").text(), "arrow");
    set_value("Show3", 0);
    choose("growth_sample_a.txt");
    run("load1");
    choose("macaque_male.txt");
    run("load2");
    run("anglebetween");
    EXPECT_EQ(text("EditText1"), "Mismatch on landmark number");
    EXPECT_EQ(g.get(window, "Pointer").text(), "arrow");

    choose("growth_sample_b.txt");
    run("load2");
    // Without a common reference the permutation test refuses and the result text stays.
    const std::string shown = text("EditText1");
    EXPECT_NE(error_of([&] { run("permutationtest"); }).find("common reference"),
              std::string::npos);
    EXPECT_EQ(text("EditText1"), shown);
    EXPECT_EQ(g.get(window, "Pointer").text(), "arrow");
    set_value("Listbox1", 2);  // CS
    set_value("Listbox2", 2);  // 100 × 2² replicates
    run("anglebetween");
    EXPECT_EQ(session.variables().NBOOTS, 400);
    EXPECT_EQ(session.variables().LCS, 0);
    EXPECT_EQ(text("EditText1").rfind("Between Species: ", 0), 0u);
    EXPECT_EQ(g.get(window, "Pointer").text(), "arrow");
    run("angleisometry");
    EXPECT_NE(console.str().find("gv2 ="), std::string::npos);
}

TEST_F(SwitchyardTest, ReportFigureAndWindowActions) {
    const testing::ScratchFolder folder;
    // Before any analysis there is nothing to report: no dialog, no file.
    EXPECT_EQ(error_of([&] { run("savefile"); }).find("there is nothing to report yet"), 0u);
    EXPECT_TRUE(dialogs_.shown().empty());
    // No drawing open: the figure actions say so and add no axes to the main window.
    for (const char* action : {"Copy", "autoaxis", "AxesOff"})
        EXPECT_NE(error_of([&] { run(action); }).find("no drawing"), std::string::npos) << action;
    EXPECT_TRUE(std::none_of(g.children(window).begin(), g.children(window).end(),
                             [&](Handle h) { return g.type(h) == ObjectType::Axes; }));
    set_value("Show3", 1);
    choose("growth_sample_a.txt");
    run("load1");
    dialogs_.answer_file(folder.path().string(), "shapes");
    run("Copy");
    EXPECT_EQ(read_file_bytes((folder / "shapes.emf").string()).value().substr(40, 4), " EMF");
    run("AxesOff");
    EXPECT_EQ(g.get(g.children(g.figures().back()).front(), "Visible").text(), "off");
    // quit closes the window whose control asked, and nothing else.
    {
        CallbackScope scope(g, tagged(g, "Pushbutton10").front());
        run("quit");
    }
    EXPECT_FALSE(g.is_valid(window));
    EXPECT_EQ(g.figures().size(), 1u);
}

// The road through the real window, headless: buttons clicked through their widgets, files
// chosen by script; the report, with its permutation test, must be the batch tool's, byte for
// byte.
TEST(SwitchyardWindow, TheRoadThroughTheWindowGivesTheBatchReport) {
    const testing::ScratchFolder folder(true);
    set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    std::ostringstream console;
    Program program(console);
    for (InitTermRow& row : program.init_term_table())
        row.initialise();
    ScriptedDialogs scripted;
    Dialogs* qt_dialogs = program.set_dialogs(&scripted);
    program.table().call("kelmar6", 0, {});
    Graphics& g = program.graphics();
    auto* view = dynamic_cast<QtView*>(g.view());
    ASSERT_NE(view, nullptr);
    const auto widget = [&](const char* tag) { return view->widget(tagged(g, tag).front()); };
    const auto click = [&](const char* tag) {
        auto* button = qobject_cast<QPushButton*>(widget(tag));
        ASSERT_NE(button, nullptr) << tag;
        button->click();
    };
    qobject_cast<QCheckBox*>(widget("Show3"))->setChecked(false);
    g.set(tagged(g, "Show3").front(), "Value", 0);
    qobject_cast<QCheckBox*>(widget("referencebutton"))->click();
    scripted.answer_file(kExamples, "growth_sample_a.txt");
    click("Pushbutton1");
    scripted.answer_file(kExamples, "growth_wirelist.txt");
    click("Pushbutton4");
    qobject_cast<QCheckBox*>(widget("Show3"))->click();  // sample 2's load draws
    scripted.answer_file(kExamples, "growth_sample_b.txt");
    click("Pushbutton3");
    ASSERT_EQ(g.figures().size(), 2u);
    click("Pushbutton2");
    click("Pushbutton11");
    const std::string shown = g.get(tagged(g, "EditText1").front(), "String").text();
    for (const char* part : {"999 Permutations", "Permutation UCL95:", "Slope length difference:",
                             "Common slopes: F ="})
        EXPECT_NE(shown.find(part), std::string::npos) << shown;
    const std::string working = current_folder();
    scripted.answer_file(folder.path().string() + "/reports", "window_report.txt");
    std::filesystem::create_directory(folder.path() / "reports");
    click("Pushbutton6");
    // The next dialog starts where the report went; the working folder stays.
    EXPECT_EQ(scripted.start_folder(), folder.path().string() + "/reports/");
    EXPECT_EQ(current_folder(), working);
    EXPECT_EQ(console.str().find("Error"), std::string::npos) << console.str();

    const std::string batch_report = (folder / "batch_report.txt").string();
    const std::string a = kExamples + "/growth_sample_a.txt";
    const std::string b = kExamples + "/growth_sample_b.txt";
    const std::string w = kExamples + "/growth_wirelist.txt";
    const char* argv[] = {
        "kelmar6-batch", "--common-reference", "--permutations",     "999",     "--wirelist",
        w.c_str(),       "--report",           batch_report.c_str(), a.c_str(), b.c_str()};
    std::ostringstream out, err;
    ASSERT_EQ(run_batch(10, argv, out, err, false), 0) << err.str();
    EXPECT_EQ(read_file_bytes((folder / "reports" / "window_report.txt").string()),
              read_file_bytes(batch_report));

    // Copy saves the drawing: an EMF whose header counts its bytes and whose last record ends it.
    g.figure(g.figures().back());
    scripted.answer_file(folder.path().string(), "drawing");
    click("Pushbutton7");
    const std::string emf = read_file_bytes((folder / "drawing.emf").string()).value_or("");
    ASSERT_GT(emf.size(), 108u);
    EXPECT_EQ(emf.substr(40, 4), " EMF");
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, emf.data() + 48, 4);
    EXPECT_EQ(bytes, emf.size());
    std::uint32_t last_type = 0;
    std::memcpy(&last_type, emf.data() + emf.size() - 20, 4);
    EXPECT_EQ(last_type, 14u);

    for (auto row = program.init_term_table().rbegin(); row != program.init_term_table().rend();
         ++row)
        row->terminate();
    program.set_dialogs(qt_dialogs);
}

}  // namespace
}  // namespace kelmar
