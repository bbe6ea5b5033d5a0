// savefile, Copy, autoaxis, AxesOff and quit: the report into a chosen file, the current drawing
// into a chosen figure file, the current drawing's axes, and closing the main window.
#include "kelmarsw.hpp"
#include "platform/export/save_figure.hpp"
#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"
#include "window_texts.hpp"

namespace kelmar {
namespace {

// The axes of the current figure, when it is a drawing; the main window has none, and none is
// ever added to it.
Handle current_drawing_axes(const Switchyard& s) {
    const std::optional<Handle> figure = s.g.current_figure();
    if (figure) {
        for (Handle child : s.g.children(*figure)) {
            if (s.g.type(child) == ObjectType::Axes)
                return current_axes(s.g);
        }
    }
    if (open_drawings(s.g) > 0) {
        throw Error(
            "the drawing last looked at was closed: click the drawing you want, then press the "
            "button again");
    }
    throw Error(
        "there is no drawing open; load a sample with \"Show shapes after loading\" checked, or "
        "draw a picture of an analysis");
}

}  // namespace

void savefile(const Switchyard& s) {
    if (!s.session.has_results()) {
        throw Error(
            "there is nothing to report yet: run Angle Between, Angle to Isometry or Permutation "
            "Test first");
    }
    const std::optional<FileChoice> choice = s.dialogs().save_file("*.*", "Output File Name");
    if (!choice)
        return;
    s.session.write_report(choice->path());
}

void copy_figure(const Switchyard& s) {
    const Handle axes = current_drawing_axes(s);
    const std::optional<FileChoice> choice =
        s.dialogs().save_file("Figures (*.emf *.svg *.pdf *.png)",
                              "Save the drawing as EMF, SVG, PDF or PNG (by the name's ending)");
    if (!choice)
        return;
    // A name ending in .svg, .pdf or .png is saved in that format; any other as EMF.
    std::string format = format_of(choice->name);
    if (format.empty())
        format = "emf";
    save_figure(s.g, *s.g.figure_of(axes), choice->path(), format);
}

void autoaxis(const Switchyard& s) {
    const Handle axes = current_drawing_axes(s);
    axis_mode(s.g, axes, "auto");
    axis_mode(s.g, axes, "equal");
    axis_mode(s.g, axes, "on");
}

void axes_off(const Switchyard& s) {
    axis_mode(s.g, current_drawing_axes(s), "off");
}

void reference_changed(const Switchyard& s) {
    if (s.session.sample_count() < 2)
        return;
    const Value box = tagged_value(s.g, "referencebutton");
    const bool chosen = !box.empty() && box.is_true();
    // The result stays; the note goes below it, in place of an earlier note.
    const std::vector<Handle> result = tagged(s.g, "EditText1");
    std::string shown = result.empty() ? std::string() : s.g.get(result.front(), "String").text();
    for (const bool a : {false, true}) {
        for (const bool b : {false, true}) {
            const std::string earlier = reference_choice_text(a, b);
            if (shown.ends_with(earlier)) {
                shown.resize(shown.size() - earlier.size());
                while (!shown.empty() && (shown.back() == '\n' || shown.back() == ' '))
                    shown.pop_back();
            }
        }
    }
    const std::string note = reference_choice_text(chosen, s.session.common_reference_used());
    set_tagged(s.g, "EditText1", "String", shown.empty() ? note : shown + " \n " + note);
}

void quit(const Switchyard& s) {
    // The window whose control asked; from the command line, the main window.
    if (const std::optional<Handle> figure = s.g.callback_figure()) {
        s.g.close(*figure);
        return;
    }
    for (Handle main : tagged(s.g, "Kelmar6")) {
        if (s.g.is_valid(main) && s.g.type(main) == ObjectType::Figure)
            s.g.close(main);
    }
}

}  // namespace kelmar
