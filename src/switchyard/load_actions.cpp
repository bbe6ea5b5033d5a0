// load1, load2 and loadwire: a file from the open-file dialog into the session, its counts into
// the window, and the drawing of the superimposed samples when "Show3" is on. A cancelled
// dialog changes nothing.
#include "display/draw_shapes.hpp"
#include "display/draw_wireframe.hpp"
#include "gui/load_dialogs.hpp"
#include "kelmarsw.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "window_texts.hpp"

#include <algorithm>

namespace kelmar {
namespace {

// The chosen wirelist table, or nothing when the dialog was cancelled.
std::optional<ChosenTable> choose_wirelist(const Switchyard& s) {
    std::optional<ChosenTable> chosen = choose_text_table(s.dialogs());
    if (chosen && !chosen->data)
        throw Error(cannot_open_message(chosen->folder + chosen->name));
    return chosen;
}

// Echoes the Show3 control and its value, and whether to draw.
bool show_shapes(const Switchyard& s) {
    const std::vector<Handle> nh = tagged(s.g, "Show3");
    echo_value("nh", nh.empty() ? Value() : Value(nh.front()), &s.console);
    const Value show3q = nh.empty() ? Value() : s.g.get(nh.front(), "Value");
    echo_value("show3q", show3q, &s.console);
    return !show3q.empty() && show3q.is_true();
}

// A drawing window beside the main window, so that it does not cover the buttons: to its right
// when the screen has room, else to its left, else at the screen's right edge (the buttons are on
// the main window's left); each further drawing a little lower.
void place_beside_main_window(Graphics& g, Handle drawing) {
    const std::vector<Handle> main = tagged(g, "Kelmar6");
    if (main.empty() || g.type(main.front()) != ObjectType::Figure)
        return;
    const Rect window = to_rect(g.get(main.front(), "OuterPosition"));
    const Rect screen = g.pixel_position(Graphics::kRoot);
    Rect r = to_rect(g.get(drawing, "OuterPosition"));
    const double gap = 8.0;
    if (window.left + window.width + gap + r.width <= screen.width)
        r.left = window.left + window.width + gap;
    else if (window.left - gap - r.width >= 0)
        r.left = window.left - gap - r.width;
    else
        r.left = std::max(0.0, screen.width - r.width);
    const double others = static_cast<double>(g.figures().size()) - 2.0;  // main and this one
    r.bottom = std::max(0.0, window.bottom + window.height - r.height - 24.0 * others);
    g.set(drawing, "OuterPosition", to_value(r));
}

// A new window with the load's drawing: the reference, the samples, and the wireframe.
void draw(const Switchyard& s, const Drawing& drawing) {
    place_beside_main_window(s.g, s.g.create_figure());
    for (const Drawing::Shapes& shapes : drawing.shapes)
        draw_shapes(s.g, shapes.configurations, shapes.style);
    if (drawing.wire_on.size() > 0)
        draw_wireframe(s.g, drawing.wire_on, s.session.variables().wirelist, "k-");
}

// The file's specimen names and own wireframe, for the session.
SampleExtras extras_of(LandmarkSample& sample) {
    return {std::move(sample.names), std::move(sample.wirelist)};
}

}  // namespace

void load1(const Switchyard& s) {
    std::optional<LandmarkSample> chosen = choose_landmark_sample(s.dialogs());
    if (!chosen)
        return;
    const LoadResult out =
        s.session.load1(std::move(chosen->data), chosen->name, extras_of(*chosen));
    set_tagged(s.g, "File1Tag", "String", file_counts_text(out));
    if (show_shapes(s))
        draw(s, out.drawing);
    set_tagged(s.g, "Pushbutton3", "Enable", "On");
    set_tagged(s.g, "File1Tag", "String", sample1_file_text(out));
}

void load2(const Switchyard& s) {
    std::optional<LandmarkSample> chosen = choose_landmark_sample(s.dialogs());
    if (!chosen)
        return;
    const Value common = tagged_value(s.g, "referencebutton");
    const LoadResult out = s.session.load2(std::move(chosen->data), chosen->name,
                                           !common.empty() && common.is_true(), extras_of(*chosen));
    set_tagged(s.g, "File2Tag", "String", file_counts_text(out));
    if (out.common_reference)
        set_tagged(s.g, "EditText1", "String", common_reference_text());
    if (show_shapes(s))
        draw(s, out.drawing);
    set_tagged(s.g, "Pushbutton2", "Enable", "On");
    set_tagged(s.g, "Pushbutton11", "Enable", "On");
}

void loadwire(const Switchyard& s) {
    std::optional<ChosenTable> chosen = choose_wirelist(s);
    if (!chosen)
        return;
    const WirelistResult wirelist = s.session.loadwire(*chosen->data, chosen->name);
    s.dialogs().message_box(wirelist_text(wirelist), "Wirelist");
}

}  // namespace kelmar
