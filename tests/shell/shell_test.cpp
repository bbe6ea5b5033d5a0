#include "gui/openfig.hpp"
#include "platform/graphics/dialogs.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/scripted_dialogs.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/qt/qt_app.hpp"
#include "platform/qt/qt_view.hpp"
#include "shell/program.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <set>
#include <sstream>

namespace kelmar {
namespace {

using testing::error_of;

// The declared counts of the function table (-1: any), and the subfunctions with their lines.
struct Declared {
    const char* name;
    int inputs;
    int outputs;
};
constexpr Declared kTable[] = {{"kelmar6", -1, -1},   {"kelmarsw", 1, 0},
                               {"guidata", 2, 1},     {"guihandles", 1, 1},
                               {"openfig", 2, 1},     {"anglerbr", 5, 1},
                               {"getpproc3", 1, 2},   {"getpprocon3", 2, 1},
                               {"growvecn", 1, 1},    {"growvector3", 2, 1},
                               {"mfload", 1, 2},      {"mfloadtxt", 1, 2},
                               {"pcaref3d", 1, 2},    {"rotate3da", 2, 1},
                               {"sanglerbr", 5, 1},   {"shapegrown", 1, 1},
                               {"showshape3D", 2, 0}, {"vertxy3D", 1, 1},
                               {"wire3d", 3, 0},      {"xyzfromvert3", 2, 1},
                               {"isvarname", 1, 1},   {"movegui", -1, 0},
                               {"growveceq", 1, 1},   {"sortsize", 1, 1},
                               {"centsize3Da", 1, 1}, {"partialprocrustes3a", 2, 1},
                               {"dload", 1, 1},       {"shapegrow", 1, 1},
                               {"x1y1z1", 2, 1},      {"iskeyword", 1, 1},
                               {"svdrot2", 2, 1}};

std::string message(const std::string& name, int line, const char* what, int count) {
    return "Run-time Error: File: " + name + " Line: " + std::to_string(line) +
           " Column: 1 The function \"" + name + "\" was called with more than the declared " +
           "number of " + what + " (" + std::to_string(count) + ").";
}

class Shell : public ::testing::Test {
  protected:
    Shell() : program(console) {
        for (std::size_t i = 0; i < program.table().size(); ++i)
            program.table().initialise(i);
    }
    Values launch(int outputs_wanted, const Values& inputs) {
        return program.table().call("kelmar6", outputs_wanted, inputs);
    }
    std::ostringstream console;
    Program program;
};

TEST_F(Shell, TheTableAndItsSixtySevenMessages) {
    FunctionTable& table = program.table();
    ASSERT_EQ(table.size(), 31u);
    std::set<std::string> expected;
    for (std::size_t i = 0; i < 31; ++i) {
        const Declared& d = kTable[i];
        EXPECT_EQ(table.row(i).name, d.name);
        EXPECT_EQ(table.row(i).inputs, d.inputs) << d.name;
        EXPECT_EQ(table.row(i).outputs, d.outputs) << d.name;
        if (d.outputs >= 0)
            expected.insert(message(d.name, 1, "outputs", d.outputs));
        if (d.inputs >= 0)
            expected.insert(message(d.name, 1, "inputs", d.inputs));
    }
    for (const auto& [name, line] : {std::pair{"guidata/getParentFigure", 99},
                                     {"guihandles/getParentFigure", 78},
                                     {"guihandles/createHandles", 86},
                                     {"movegui/get_parent_fig", 166}}) {
        expected.insert(message(name, line, "outputs", 1));
        expected.insert(message(name, line, "inputs", 1));
    }
    const std::vector<std::string> built = table.messages();
    EXPECT_EQ(built.size(), 67u);
    EXPECT_EQ(std::set<std::string>(built.begin(), built.end()), expected);
    // The texts as written out for guidata, movegui, get_parent_fig and wire3d.
    for (const char* text :
         {"Run-time Error: File: guidata Line: 1 Column: 1 The function \"guidata\" was called "
          "with more than the declared number of outputs (1).",
          "Run-time Error: File: guidata Line: 1 Column: 1 The function \"guidata\" was called "
          "with more than the declared number of inputs (2).",
          "Run-time Error: File: movegui Line: 1 Column: 1 The function \"movegui\" was called "
          "with more than the declared number of outputs (0).",
          "Run-time Error: File: movegui/get_parent_fig Line: 166 Column: 1 The function "
          "\"movegui/get_parent_fig\" was called with more than the declared number of inputs "
          "(1)."}) {
        EXPECT_TRUE(expected.count(text)) << text;
    }
    // Outputs before inputs: with both exceeded only the outputs message is raised.
    EXPECT_EQ(error_of([&] {
                  table.call("wire3d", 1, {1, 2, 3, 4});
              }),
              message("wire3d", 1, "outputs", 0));
    EXPECT_EQ(error_of([&] {
                  table.call("wire3d", 0, {1, 2, 3, 4});
              }),
              message("wire3d", 1, "inputs", 3));
    // Fewer inputs than declared pass: the function decides what a missing one means.
    EXPECT_EQ(error_of([&] { table.call("centsize3Da", 1, {}); }),
              "centsize3Da: input \"x\" is missing (input 1)");
    table.terminate(2);
    EXPECT_NE(error_of([&] { table.call("guidata", 0, {1}); }).find("not initialised"),
              std::string::npos);
}

TEST(FunctionTable, SubfunctionsAreReachedOnlyFromInsideTheirModule) {
    FunctionTable* self = nullptr;
    FunctionTable table(
        {{"outer",
          [&self](int, const Values&) -> Values {
              return self->call("inner", 1, {});  // from inside: reachable
          },
          0,
          1,
          1,
          {{"inner", [](int, const Values&) -> Values { return {7}; }, 0, 1, 12}}}});
    self = &table;
    table.initialise(0);
    EXPECT_EQ(table.call("outer", 1, {}), (Values{7}));
    EXPECT_EQ(error_of([&] { table.call("inner", 1, {}); }),
              "there is no function \"inner\" to call");
    EXPECT_EQ(error_of([&] { table.call("inner", 0, {}); }),
              "there is no function \"inner\" to call");
}

TEST_F(Shell, TheLauncherForwardsAndSwallowsErrors) {
    // A number first does nothing; outputs of a forwarded call come back.
    EXPECT_TRUE(launch(1, {5}).empty());
    EXPECT_EQ(launch(1, {"isvarname", "abc"}), (Values{1.0}));
    EXPECT_TRUE(launch(0, {"kelmarsw", "nosuchaction"}).empty());
    EXPECT_EQ(console.str(), "");
    launch(0, {"kelmarsw", "load1", "load2"});
    launch(1, {"wire3d", "a", "b", "c"});
    launch(0, {"centsize3Da", "text"});
    launch(0, {"nosuch"});
    EXPECT_EQ(console.str(),
              message("kelmarsw", 1, "inputs", 1) + "\n" + message("wire3d", 1, "outputs", 0) +
                  "\n" +
                  "centsize3Da: input \"x\" must be a real matrix, given a 1x4 text value\n" +
                  "there is no function \"nosuch\" to call\n");
}

TEST_F(Shell, OneMainWindowColouredWithItsHandleTable) {
    const testing::ScratchFolder folder(true);
    set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    Graphics& g = program.graphics();
    g.set(Graphics::kRoot, "defaultUicontrolBackgroundColor", Value::row({0.5, 0.6, 0.7}));
    const Values first = launch(1, {});
    const Values second = launch(1, {});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(g.figures().size(), 1u);
    const Handle fig = first[0].to_scalar();
    EXPECT_EQ(g.get(fig, "Color"), Value::row({0.5, 0.6, 0.7}));
    const Value handles = g.app_data(fig, "UsedByGUIData_m");
    EXPECT_TRUE(handles.is_struct() && handles.has_field("Pushbutton1"));
    // Each program has a model, a session and dialogs of its own: another sees no window and
    // has none to show.
    std::ostringstream other_console;
    Program other(other_console);
    EXPECT_TRUE(other.graphics().figures().empty());
    EXPECT_NE(error_of([&] { other.dialogs(); }).find("no dialogs"), std::string::npos);
    g.close(fig);
}

TEST(Runtime, ModulesLiveWhileTheWindowsAreOpenAndTheStatusReachesTheCaller) {
    const testing::ScratchFolder folder(true);
    set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    std::ostringstream console;
    Program program(console);
    bool alive_while_open = false;
    bool view_while_open = false;
    bool console_while_open = false;
    // Drawing the window may already service events: the user closes it a little later.
    ensure_qt_application();  // timers need the application's event dispatcher
    QTimer::singleShot(300, [&] {
        // The window is open: every module is initialised, the view is attached.
        alive_while_open = true;
        for (std::size_t i = 0; i < program.table().size(); ++i)
            alive_while_open = alive_while_open && program.table().initialised(i);
        Graphics& g = program.graphics();
        view_while_open = g.view() != nullptr;
        console_while_open = &kelmar::console() == &console;
        for (Handle f : g.figures())
            g.close(f);
    });
    EXPECT_EQ(program.run({}), 0) << console.str();
    EXPECT_TRUE(alive_while_open);
    EXPECT_TRUE(view_while_open);
    EXPECT_TRUE(console_while_open);  // echoes go to the program's console
    // After the last window: terminated, in reverse, down to the graphics library.
    for (std::size_t i = 0; i < program.table().size(); ++i)
        EXPECT_FALSE(program.table().initialised(i));
    EXPECT_EQ(program.graphics().view(), nullptr);
    EXPECT_EQ(&kelmar::console(), &std::cout);  // the numeric library gave the console back

    // Without a figure file anywhere the program ends with status 1, naming the folders.
    set_figure_resource_folder(folder.path().string());
    std::ostringstream missing_console;
    Program missing(missing_console);
    EXPECT_EQ(missing.run({}), 1);
    EXPECT_NE(missing_console.str().find("neither in the working folder"), std::string::npos)
        << missing_console.str();
    EXPECT_EQ(Program(missing_console).run({"kelmarsw", "nosuchaction"}), 0);
    // A call that raises an error says so on the console as before, and in the status.
    std::ostringstream failing_console;
    EXPECT_EQ(Program(failing_console).run({"centsize3Da", "abc"}), 1);
    EXPECT_EQ(failing_console.str(),
              "centsize3Da: input \"x\" must be a real matrix, given a 1x3 text value\n");
}

// --open: the main window comes up with the file loaded as sample 1, as if chosen in the dialog.
TEST(Runtime, OpeningAFileLoadsItAsSampleOne) {
    const testing::ScratchFolder folder(true);
    set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    std::ostringstream console;
    Program program(console);
    std::string shown;
    ensure_qt_application();
    QTimer::singleShot(300, [&] {
        Graphics& g = program.graphics();
        const std::vector<Handle> file = g.find_all(Graphics::kRoot, "Tag", Value("File1Tag"));
        if (!file.empty())
            shown = g.get(file.front(), "String").text();
        for (Handle f : g.figures())
            g.close(f);
    });
    EXPECT_EQ(program.run_opening(std::string(KELMAR_EXAMPLES_DIR) + "/growth_sample_a.txt"), 0)
        << console.str();
    EXPECT_NE(shown.find("growth_sample_a.txt"), std::string::npos) << shown;
    EXPECT_NE(shown.find("40 Samples"), std::string::npos) << shown;
}

// Closing the main window ends the program, and the drawings still open close with it.
TEST(Runtime, TheDrawingsCloseWithTheMainWindow) {
    const testing::ScratchFolder folder(true);
    set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    std::ostringstream console;
    Program program(console);
    ensure_qt_application();
    std::size_t open_after_close = 99;
    QTimer::singleShot(300, [&] {
        Graphics& g = program.graphics();
        for (int k = 0; k < 2; ++k)
            g.create_figure();  // two drawings
        for (Handle f : g.find_all(Graphics::kRoot, "Tag", Value("Kelmar6")))
            g.close(f);  // as the user closes the main window
    });
    // Should the loop not end, a later timer reports what stayed open and ends it.
    QTimer guard;  // stopped when the test ends
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        open_after_close = program.graphics().figures().size();
        for (Handle f : program.graphics().figures())
            program.graphics().close(f);
    });
    guard.start(3000);
    EXPECT_EQ(program.run_opening(std::string(KELMAR_EXAMPLES_DIR) + "/growth_sample_a.txt"), 0)
        << console.str();
    EXPECT_EQ(open_after_close, 99u);  // the loop ended before the later timer
    EXPECT_TRUE(program.graphics().figures().empty());
}

// The launcher brings the main window up, shown by the view. (Its start-up time is measured in
// bench/, where load on the machine cannot fail a test.)
TEST(Runtime, TheMainWindowComesUp) {
    const testing::ScratchFolder folder(true);
    set_figure_resource_folder(KELMAR_RESOURCES_DIR);
    std::ostringstream console;
    Program program(console);
    for (InitTermRow& row : program.init_term_table())
        row.initialise();
    program.table().call("kelmar6", 0, {});
    Graphics& g = program.graphics();
    g.flush_drawing();
    const std::vector<Handle> main = g.find_all(Graphics::kRoot, "Tag", Value("Kelmar6"));
    ASSERT_EQ(main.size(), 1u) << console.str();
    auto* view = dynamic_cast<QtView*>(g.view());
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->widget(main.front()), nullptr);
    EXPECT_TRUE(view->widget(main.front())->isVisible());
    for (auto row = program.init_term_table().rbegin(); row != program.init_term_table().rend();
         ++row)
        row->terminate();
}

}  // namespace
}  // namespace kelmar
