#include "platform/graphics/graphics.hpp"
#include "platform/graphics/callback.hpp"
#include "platform/graphics/figure_file.hpp"
#include "platform/numeric/error.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

using testing::error_of;

TEST(GraphicsModel, PropertiesCompareWithoutCase) {
    Graphics g;
    EXPECT_EQ(g.get(0, "DEFAULTUICONTROLBACKGROUNDCOLOR").numel(), 3u);
    const Handle f = g.create_figure({{"name", "Main"}});
    const Handle c = g.create(ObjectType::Control, f, {{"STYLE", "checkbox"}, {"tag", "Show3"}});
    EXPECT_EQ(g.get(c, "Style").text(), "checkbox");
    EXPECT_EQ(g.get(c, "parent").to_scalar(), f);
    EXPECT_EQ(error_of([&] { g.set(c, "Colour", 1); }), "there is no Colour property of a control");
    EXPECT_NE(error_of([&] { g.create(ObjectType::Line, f); }), "");  // lines live in axes
}

TEST(GraphicsModel, SearchOrderAndClosing) {
    Graphics g;
    const Handle f1 = g.create_figure();
    const Handle a = g.create(ObjectType::Axes, f1, {{"Tag", "x"}});
    const Handle l = g.create(ObjectType::Line, a, {{"Tag", "x"}});
    const Handle c = g.create(ObjectType::Control, f1, {{"Tag", "x"}, {"SearchVisibility", "off"}});
    const Handle f2 = g.create_figure({{"Tag", "x"}});
    EXPECT_EQ(g.find_all(f1), (std::vector<Handle>{f1, a, l, c}));
    EXPECT_EQ(g.find_all(0, "tag", "x"), (std::vector<Handle>{a, l, c, f2}));
    EXPECT_EQ(g.find_by_property(0, "Tag", "x"),
              (std::vector<Handle>{a, l, f2}));  // hidden c left out
    EXPECT_EQ(g.current_figure(), f2);

    // Closing the current figure leaves none current: nothing falls onto an older window. The
    // user's bringing a window forward makes it current, unless it is hidden from searches.
    g.close(f2);
    EXPECT_EQ(g.current_figure(), std::nullopt);
    g.activated(f1);
    EXPECT_EQ(g.current_figure(), f1);
    const Handle controls = g.create_figure({{"SearchVisibility", "off"}});
    g.figure(f1);
    g.activated(controls);
    EXPECT_EQ(g.current_figure(), f1);
    g.close(controls);
    EXPECT_EQ(g.current_figure(), f1);
    g.close(f1);
    EXPECT_FALSE(g.is_valid(l));
    EXPECT_EQ(g.current_figure(), std::nullopt);
    EXPECT_EQ(g.create_figure(), 1.0);  // the smallest free figure number again
}

TEST(GraphicsModel, UnitsAndFrames) {
    Graphics g;
    g.set(0, "ScreenSize", Value::row({1, 1, 1000, 800}));
    const Handle f = g.create_figure({{"Position", Value::row({100, 200, 500, 400})}});
    g.set(f, "Units", "normalized");
    EXPECT_EQ(g.get(f, "Position"), Value::row({0.1, 0.25, 0.5, 0.5}));
    g.set(f, "units", "pixels");

    g.set_frame(f, {2, 2, 2, 20});
    EXPECT_EQ(g.get(f, "OuterPosition"), Value::row({98, 198, 504, 422}));
    g.set(f, "OuterPosition", Value::row({0, 0, 504, 422}));
    EXPECT_EQ(g.get(f, "Position"), Value::row({2, 2, 500, 400}));

    const Handle c =
        g.create(ObjectType::Control, f,
                 {{"Units", "normalized"}, {"Position", Value::row({0.5, 0.5, 0.25, 0.1})}});
    EXPECT_EQ(g.pixel_position(c), (Rect{250, 200, 125, 40}));
}

TEST(FigureFile, LoadsControlsAndTheirCallbacks) {
    Graphics g;
    const Handle f = load_figure_text(g, R"json({"type": "figure",
        "properties": {"Name": "Kelmar6", "Position": [10, 20, 300, 200]},
        "children": [
          {"type": "control", "properties": {"Style": "listbox", "Tag": "Listbox2",
             "String": ["100", "400", "900"], "Value": 1, "Callback": "kelmar6('kelmarsw','x')"}},
          {"type": "axes", "properties": {"Tag": "Axes1"},
             "children": [{"type": "line", "properties": {"XData": [1, 2], "Visible": false}}]}]})json",
                                      "k.fig");
    const std::vector<Handle> all = g.find_all(f);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(g.get(all[1], "String"), Value::cell_row({"100", "400", "900"}));
    EXPECT_EQ(g.get(all[3], "Visible").to_scalar(), 0.0);
}

TEST(FigureFile, ErrorsNameTheFileAndThePlace) {
    Graphics g;
    EXPECT_EQ(error_of([&] { load_figure_file(g, "/no/such.fig"); }),
              "cannot open figure file \"/no/such.fig\"");
    EXPECT_EQ(error_of([&] { load_figure_text(g, R"({"type": "axes"})", "a.fig"); }),
              "figure file \"a.fig\": the top object must be a figure");
    EXPECT_EQ(
        error_of([&] {
            load_figure_text(
                g, R"({"type": "figure", "children": [{"type": "control"}, {"type": "button"}]})",
                "a.fig");
        }),
        "figure file \"a.fig\": figure, child 2: unknown object type \"button\"");
    EXPECT_TRUE(g.figures().empty());  // nothing of a failed load stays

    // Whatever the JSON library objects to becomes the project's error naming the file.
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep = R"({"type": "control", "children": [)" + deep + "]}";
    deep = R"({"type": "figure", "children": [)" + deep + "]}";
    EXPECT_EQ(error_of([&] { load_figure_text(g, deep, "d.fig"); }),
              "figure file \"d.fig\": figure, child 1, child 1: a control cannot be a child of "
              "a control");
    for (const std::string& text :
         {std::string(R"({"type": "figure", "properties": {"Position": [1e990, 0, 1, 1]}})"),
          std::string(R"({"type": 1})"),
          std::string(R"({"type": "figure", "children": [{"type": 1}]})"),
          std::string(R"({"type": "figure", "properties": {"Position": [[1, 2], [3]]}})"),
          std::string(R"({"type": "figure", "children": {"a": 1}})"), std::string("[1, 2"),
          std::string("\xff\xfe{"), deep}) {
        const std::string message = error_of([&] { load_figure_text(g, text, "b\x1b.fig"); });
        EXPECT_EQ(message.rfind("figure file \"b\\x1b.fig\"", 0), 0u) << message;
    }
    EXPECT_TRUE(g.figures().empty());
}

TEST(Callbacks, ParsedAndRunWithTheirObject) {
    const CallbackCall call = parse_callback(" kelmar6('kelmarsw', 'it''s', -3.5e1) ;");
    EXPECT_EQ(call.name, "kelmar6");
    ASSERT_EQ(call.args.size(), 3u);
    EXPECT_EQ(call.args[1].text(), "it's");
    EXPECT_EQ(call.args[2].to_scalar(), -35.0);
    EXPECT_TRUE(parse_callback("kelmarsw").args.empty());
    for (const char* bad : {"('x')", "f('x'", "f('x' 'y')", "f(abc)", "f() g"}) {
        EXPECT_THROW(parse_callback(bad), Error) << bad;
    }

    Graphics g;
    const Handle f = g.create_figure();
    const Handle c = g.create(ObjectType::Control, f, {{"Callback", "kelmarsw('load1')"}});
    std::vector<std::string> seen;
    // Without a function to call by name the callback says so.
    EXPECT_NE(testing::error_of([&] { g.run_callback(c); }).find("kelmarsw"), std::string::npos);
    g.set_call_by_name([&](const std::string& name, const std::vector<Value>& args) {
        seen.push_back(name + ":" + args[0].text());
        EXPECT_EQ(g.callback_object(), c);
        EXPECT_EQ(g.callback_figure(), f);
    });
    g.run_callback(c);
    EXPECT_EQ(seen, std::vector<std::string>{"kelmarsw:load1"});
    EXPECT_EQ(g.callback_object(), std::nullopt);

    // A figure's DeleteFcn is called once the figure has gone; one that fails stops no close.
    const Handle drawing = g.create_figure({{"DeleteFcn", "kelmarsw('closed')"}});
    g.set_call_by_name([&](const std::string& name, const std::vector<Value>& args) {
        seen.push_back(name + ":" + args[0].text() + ":" + std::to_string(g.figures().size()));
        throw Error("the program is gone");
    });
    g.close(drawing);
    EXPECT_FALSE(g.is_valid(drawing));
    EXPECT_EQ(seen.back(), "kelmarsw:closed:1");
}

}  // namespace
}  // namespace kelmar
