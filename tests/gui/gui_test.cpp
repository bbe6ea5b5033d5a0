#include "gui/guidata.hpp"
#include "gui/movegui.hpp"
#include "gui/openfig.hpp"
#include "platform/graphics/callback.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

using testing::error_of;

class OpenfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(folder_ / "other");
        g_.set(0, "ScreenSize", Value::row({1, 1, 1000, 800}));
    }
    void write_figure(const fs::path& path) {
        std::ofstream(path) << R"({"type": "figure", "properties": {"Position": [50, 60, 300, 200]},
            "children": [{"type": "control", "properties": {"Tag": "File1Tag"}}]})";
    }
    Graphics g_;
    testing::ScratchFolder scratch_{true};
    fs::path folder_ = scratch_.path();
};

TEST_F(OpenfigTest, ReuseLoadsOnceAndAgainAfterClose) {
    write_figure(folder_ / "Kelmar6.fig");
    const Handle first = openfig(g_, "Kelmar6", "reuse");
    EXPECT_EQ(openfig(g_, "Kelmar6.fig", "reuse"), first);
    g_.close(first);
    const Handle again = openfig(g_, "Kelmar6", "reuse");  // the stale handle is dropped
    EXPECT_EQ(g_.figures().size(), 1u);

    const Handle second = openfig(g_, "Kelmar6", "new");
    EXPECT_EQ(g_.app_data(0, "Kelmar6_SINGLETON_handle"), Value::row({again, second}));
    EXPECT_EQ(openfig(g_, "Kelmar6", "reuse"), second);

    // The same base name in another folder shares the registry entry.
    write_figure(folder_ / "other" / "Kelmar6.fig");
    EXPECT_EQ(openfig(g_, (folder_ / "other" / "Kelmar6.fig").string(), "reuse"), second);
}

TEST_F(OpenfigTest, NamesPoliciesAndTokens) {
    EXPECT_EQ(error_of([&] { openfig(g_, "Kelmar6.FIG", "reuse"); }),
              "Argument must be a .fig file");
    write_figure(folder_ / "Kelmar6.fig");
    EXPECT_EQ(error_of([&] { openfig(g_, "Kelmar6", "Reuse"); }),
              "Second input argument must be 'new' or 'reuse'.");
    EXPECT_TRUE(g_.figures().empty());
    // The token is cut to 31 characters: names agreeing that far share one registry entry.
    const std::string name31 = "abcdefghijklmnopqrstuvwxyz01234";
    write_figure(folder_ / (name31 + "A.fig"));
    write_figure(folder_ / (name31 + "B.fig"));
    const Handle h = openfig(g_, name31 + "A", "reuse");
    EXPECT_EQ(g_.app_data(0, name31), Value::row({h}));
    EXPECT_EQ(openfig(g_, name31 + "B", "reuse"), h);
}

TEST(Movegui, PlacesWindowsOnTheScreen) {
    const Value onscreen("onscreen");
    const Rect visible{100, 100, 300, 200};
    EXPECT_EQ(moved_outer_position(visible, visible, 1000, 800, onscreen), visible);
    EXPECT_EQ(moved_outer_position({10, 10, 300, 900}, {10, 10, 300, 900}, 1000, 800, onscreen),
              (Rect{10, 0, 300, 800}));
    // Outer size reported smaller than the inside: the frame allowance is added to the size only.
    EXPECT_EQ(moved_outer_position({10, 10, 300, 900}, {10, 10, 310, 910}, 1000, 800, onscreen),
              (Rect{10, 0, 306, 824}));
    EXPECT_EQ(moved_outer_position(visible, visible, 1000, 800, Value::row({-10, -10})),
              (Rect{690, 590, 300, 200}));

    Graphics g;
    g.set(0, "ScreenSize", Value::row({1, 1, 1000, 800}));
    const Handle f =
        g.create_figure({{"Units", "normalized"}, {"Position", Value::row({0.1, 0.1, 0.3, 0.25})}});
    const Handle c = g.create(ObjectType::Control, f);
    std::ostringstream console;
    set_console(&console);
    movegui(g, {Value(c), Value("north")});
    set_console(nullptr);
    EXPECT_EQ(console.str(), "newpos =\n\n   350   600\n\n");
    EXPECT_EQ(g.get(f, "Units").text(), "normalized");  // units restored
    g.set(f, "Units", "pixels");
    EXPECT_EQ(g.get(f, "OuterPosition"), Value::row({350, 600, 300, 200}));

    EXPECT_EQ(error_of([&] { movegui(g, {Value(f), Value("North")}); }), "unrecognized position");
    EXPECT_EQ(error_of([&] { movegui(g, {Value(0)}); }), "handle of figure or descendant required");
}

TEST(HandleTable, FieldsFromUsableTagsInSearchOrder) {
    Graphics g;
    const Handle f = g.create_figure({{"Tag", "figure1"}});
    const Handle a = g.create(ObjectType::Control, f, {{"Tag", "Button"}});
    const std::string tag31(31, 'a');
    for (const char* bad : {"has space", "1st", "_x", "a-b", "end"}) {
        g.create(ObjectType::Control, f, {{"Tag", bad}});
    }
    const Handle b = g.create(ObjectType::Control, f, {{"Tag", "Button"}});
    g.create(ObjectType::Control, f, {{"Tag", "End"}});
    const Handle t31 = g.create(ObjectType::Control, f, {{"Tag", tag31}});
    g.create(ObjectType::Control, f, {{"Tag", tag31 + "b"}});

    const Value handles = guihandles(g, Value(a));
    EXPECT_EQ(handles.field_names(), (std::vector<std::string>{"figure1", "Button", "End", tag31}));
    EXPECT_EQ(handles.field("Button"), Value::row({a, b}));
    EXPECT_EQ(handles.field(tag31), Value(t31));

    const Handle plain = g.create_figure();
    g.create(ObjectType::Control, plain, {{"Tag", "not usable"}});
    const Value none = guihandles(g, Value(plain));
    EXPECT_TRUE(none.is_real() && none.empty());
    EXPECT_EQ(error_of([&] { guihandles(g, Value(0)); }),
              "H must be the handle to a figure or figure descendent.");
}

TEST(HandleTable, GuidataAndKeywords) {
    Graphics g;
    const Handle f = g.create_figure();
    const Handle c = g.create(ObjectType::Control, f);
    EXPECT_TRUE(guidata(g, Value(f)).empty());
    guidata(g, Value(c), Value("stored"));  // a control reaches its window
    EXPECT_EQ(g.app_data(f, "UsedByGUIData_m"), Value("stored"));
    EXPECT_EQ(error_of([&] {
                  guidata(g, Value::row({f, c}));
              }),
              "H must be the handle to a figure or figure descendent.");
    EXPECT_EQ(iskeyword().dims(), (Dims{17, 1}));
    EXPECT_FALSE(iskeyword(Value("Otherwise")));
    EXPECT_FALSE(isvarname(Value::cell_row({"a"})));
}

// The main window's figure file provides every control the session relies on and one control
// per action, each calling the switchyard through the launcher.
TEST(MainWindowFile, HoldsTheSessionsControlsAndActions) {
    Graphics g;
    const Handle fig = openfig(g, KELMAR_RESOURCES_DIR "/Kelmar6.fig", "reuse");
    const Value handles = guihandles(g, Value(fig));
    for (const char* tag : {"File1Tag", "File2Tag", "EditText1", "Show3", "referencebutton",
                            "Listbox1", "Listbox2", "Pushbutton3", "Pushbutton2", "Pushbutton11"}) {
        EXPECT_TRUE(handles.has_field(tag)) << tag;
    }
    std::vector<std::string> actions;
    for (Handle h : g.find_all(fig)) {
        if (!g.has_property(h, "Callback") || g.get(h, "Callback").text().empty())
            continue;
        const CallbackCall call = parse_callback(g.get(h, "Callback").text());
        ASSERT_EQ(call.args.size(), 2u);
        EXPECT_EQ(call.name + "/" + call.args[0].text(), "kelmar6/kelmarsw");
        actions.push_back(call.args[1].text());
    }
    std::sort(actions.begin(), actions.end());
    EXPECT_EQ(actions,
              (std::vector<std::string>{
                  "AxesOff", "Copy", "allometryplot", "anglebetween", "angleisometry", "autoaxis",
                  "distributions", "growthchange", "load1", "load2", "loadwire", "permutationtest",
                  "quit", "referencechanged", "savefile", "shapespace"}));
    // The buttons that could only fail before a load or an analysis start disabled.
    for (const char* tag :
         {"Pushbutton3", "Pushbutton5", "Pushbutton6", "Pushbutton7", "Pushbutton8", "Pushbutton9",
          "Pushbutton12", "Pushbutton13", "Pushbutton14", "Pushbutton15"})
        EXPECT_EQ(g.get(handles.field(tag).to_scalar(), "Enable").text(), "off") << tag;
}

}  // namespace
}  // namespace kelmar
