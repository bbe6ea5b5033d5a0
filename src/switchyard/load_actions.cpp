// load1, load2 and loadwire: a file from the open-file dialog into the session, its counts into
// the window, and the drawing of the superimposed samples when "Show3" is on. A cancelled
// dialog changes nothing.
#include "display/draw_shapes.hpp"
#include "drawing_place.hpp"
#include "gui/load_dialogs.hpp"
#include "kelmarsw.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "window_texts.hpp"

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

}  // namespace

void place_beside_main_window(Graphics& g, Handle drawing) {
    const std::vector<Handle> main = tagged(g, "Kelmar6");
    if (main.empty() || g.type(main.front()) != ObjectType::Figure)
        return;
    const int others = open_drawings(g) - 1;  // besides this one
    g.set(drawing, "OuterPosition",
          to_value(drawing_place(to_rect(g.get(main.front(), "OuterPosition")),
                                 g.pixel_position(Graphics::kRoot),
                                 to_rect(g.get(drawing, "OuterPosition")), others)));
}

namespace {

// A new window with the load's drawing, titled by what it shows: the reference, the samples, and
// the wireframe. Returns what the result box should say of the drawing (empty: nothing).
std::string draw(const Switchyard& s, const Drawing& drawing, const std::string& title) {
    const Handle figure = s.g.create_figure();
    s.g.set(figure, "Name", title);
    place_beside_main_window(s.g, figure);
    draw_superimposed(s.g, drawing.shapes, drawing.wire_on, s.session.wirelist());
    watch_drawing(s, figure);
    return drawing.wirelist_left_out
               ? wirelist_left_out_text(s.session.wirelist(),
                                        drawing.shapes.front().configurations.landmarks())
               : std::string();
}

// A load replaces a sample: every result shown or reportable belonged to the samples before.
void forget_results(const Switchyard& s) {
    enable_views(s, false);
    set_tagged(s.g, "Pushbutton6", "Enable", "off");
}

// The file's specimen names, own wireframe and format, for the session; whether its missing
// landmarks are to be estimated says `estimate`.
SampleExtras extras_of(LandmarkSample& sample, bool estimate) {
    return {std::move(sample.names), std::move(sample.wirelist), sample.format, sample.dimensions,
            estimate};
}

// A sample chosen in the load dialog, asked about when it lacks landmarks: nothing when the user
// cancels the load then; with whether to estimate them.
std::optional<std::pair<LandmarkSample, bool>> chosen_sample(const Switchyard& s) {
    std::optional<LandmarkSample> chosen = choose_landmark_sample(s.dialogs());
    if (!chosen)
        return std::nullopt;
    const MissingCount missing = count_missing(*chosen);
    if (missing.landmarks == 0)
        return std::pair{std::move(*chosen), false};
    std::string question = chosen->name;
    question += ": " + std::to_string(missing.landmarks) +
                (missing.landmarks == 1 ? " landmark of " : " landmarks of ") +
                std::to_string(missing.specimens) +
                (missing.specimens == 1 ? " specimen is" : " specimens are") +
                " missing (the first: " + chosen->first_missing +
                ").\nEstimate them by the thin-plate spline of the sample's complete specimens' "
                "mean shape? Estimates follow the mean shape, so they understate the sample's "
                "variation and growth. Or cancel the load.";
    if (!s.dialogs().ask(question, "Missing landmarks", "Estimate", "Cancel"))
        return std::nullopt;
    return std::pair{std::move(*chosen), true};
}

}  // namespace

void load1(const Switchyard& s) {
    std::optional<std::pair<LandmarkSample, bool>> chosen = chosen_sample(s);
    if (!chosen)
        return;
    LandmarkSample& sample = chosen->first;
    const LoadResult out =
        s.session.load1(std::move(sample.data), sample.name, extras_of(sample, chosen->second));
    set_tagged(s.g, "File1Tag", "String", file_counts_text(out));
    set_tagged(s.g, "File1Tag", "Tooltip", out.name);
    // The earlier result belongs to the earlier sample 1.
    std::string result;
    if (show_shapes(s))
        result = draw(s, out.drawing, "Sample 1 on its reference: " + out.name);
    set_tagged(s.g, "EditText1", "String", result);
    forget_results(s);
    enable_pooled(s, false);  // sample 2 is not on sample 1's reference
    set_tagged(s.g, "Pushbutton3", "Enable", "On");
    set_tagged(s.g, "Pushbutton5", "Enable", "On");
    set_tagged(s.g, "File1Tag", "String", sample1_file_text(out));
}

void load2(const Switchyard& s) {
    std::optional<std::pair<LandmarkSample, bool>> chosen = chosen_sample(s);
    if (!chosen)
        return;
    LandmarkSample& sample = chosen->first;
    const Value common = tagged_value(s.g, "referencebutton");
    const LoadResult out =
        s.session.load2(std::move(sample.data), sample.name, !common.empty() && common.is_true(),
                        extras_of(sample, chosen->second));
    set_tagged(s.g, "File2Tag", "String", file_counts_text(out));
    set_tagged(s.g, "File2Tag", "Tooltip", out.name);
    // The earlier result belongs to the earlier samples.
    set_tagged(s.g, "EditText1", "String",
               out.common_reference ? common_reference_text() : std::string());
    if (show_shapes(s)) {
        const std::string note =
            draw(s, out.drawing,
                 out.common_reference ? "Both samples on the common reference: " + out.name
                                      : "Sample 2 on its reference: " + out.name);
        if (!note.empty()) {
            set_tagged(s.g, "EditText1", "String",
                       out.common_reference ? common_reference_text() + " \n " + note : note);
        }
    }
    set_tagged(s.g, "Pushbutton2", "Enable", "On");
    // The permutation test and the shape space pool the samples: only on one common reference.
    enable_pooled(s, out.common_reference);
    forget_results(s);
}

void loadwire(const Switchyard& s) {
    std::optional<ChosenTable> chosen = choose_wirelist(s);
    if (!chosen)
        return;
    const WirelistResult wirelist = s.session.loadwire(*chosen->data, chosen->name);
    s.dialogs().message_box(wirelist_text(wirelist), "Wirelist");
}

}  // namespace kelmar
