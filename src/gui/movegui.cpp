#include "movegui.hpp"

#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace kelmar {
namespace {

constexpr std::array<std::string_view, 10> kPositions = {
    "north",     "south",     "east",      "west",   "northeast",
    "southeast", "northwest", "southwest", "center", "onscreen"};

}  // namespace

Rect moved_outer_position(const Rect& outer, const Rect& inner, double swidth, double sheight,
                          const Value& position) {
    double fwidth = std::min(outer.width, swidth);
    double fheight = std::min(outer.height, sheight);
    double left = 0;
    double bottom = 0;
    if (position.is_real()) {
        left = position.reals()[0];
        bottom = position.reals()[1];
        if (left < 0)
            left = swidth - fwidth + left;
        if (bottom < 0)
            bottom = sheight - fheight + bottom;
    } else {
        const std::string& name = position.text();
        const double centre_x = (swidth - fwidth) / 2;
        const double centre_y = (sheight - fheight) / 2;
        if (name == "north") {
            left = centre_x, bottom = sheight - fheight;
        } else if (name == "south") {
            left = centre_x, bottom = 0;
        } else if (name == "east") {
            left = swidth - fwidth, bottom = centre_y;
        } else if (name == "west") {
            left = 0, bottom = centre_y;
        } else if (name == "northeast") {
            left = swidth - fwidth, bottom = sheight - fheight;
        } else if (name == "southeast") {
            left = swidth - fwidth, bottom = 0;
        } else if (name == "northwest") {
            left = 0, bottom = sheight - fheight;
        } else if (name == "southwest") {
            left = 0, bottom = 0;
        } else if (name == "center") {
            left = centre_x, bottom = centre_y;
        } else {  // onscreen
            left = std::min(std::max(outer.left, 0.0), swidth - fwidth);
            bottom = std::min(std::max(outer.bottom, 0.0), sheight - fheight);
        }
    }
    // A reported outer size smaller than the inside means the frame is not known yet: allow for
    // a typical one.
    if (inner.width > outer.width && inner.height > outer.height) {
        fwidth += 6;
        fheight += 24;
    }
    return {left, bottom, fwidth, fheight};
}

void movegui(Graphics& g, const std::vector<Value>& inputs) {
    if (inputs.size() > 3)
        throw Error("Too many input arguments.");
    Value position("");
    std::optional<Handle> fig;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const Value& in = inputs[i];
        if (in.is_real() && in.numel() == 1 && g.is_valid(in.reals()[0])) {
            fig = g.figure_of(in.reals()[0]);
            if (!fig)
                throw Error("handle of figure or descendant required");
        } else if (in.is_text()) {
            if (std::find(kPositions.begin(), kPositions.end(), in.text()) == kPositions.end()) {
                throw Error("unrecognized position");
            }
            position = in;
        } else if (in.is_real() && in.numel() == 2) {
            position = in;
        } else if (g.callback_object() && i == 1) {
            continue;
        } else {
            throw Error("unrecognized input argument");
        }
    }
    if (!fig)
        fig = g.callback_figure();
    if (!fig)
        fig = g.current_figure();
    if (!fig)
        throw Error("there is no window to move");
    if (position.is_text() && position.text().empty())
        position = Value("onscreen");

    g.flush_drawing();
    const Value old_mode = g.get(*fig, "activepositionproperty");
    const Value old_units = g.get(*fig, "units");
    g.set(*fig, "units", "pixels");
    const Value inpos = g.get(*fig, "position");
    const Value oldpos = g.get(*fig, "outerposition");
    const Value old_root_units = g.get(Graphics::kRoot, "units");
    g.set(Graphics::kRoot, "units", "pixels");
    const Value screensize = g.get(Graphics::kRoot, "screensize");
    const auto screen = screensize.reals();
    g.set(Graphics::kRoot, "units", old_root_units);

    const Rect moved =
        moved_outer_position(to_rect(oldpos), to_rect(inpos), screen[2], screen[3], position);
    if (position.is_text() && position.text() == "north") {
        echo_value("newpos", Value::row({moved.left, moved.bottom}));
    }
    g.set(*fig, "outerposition", to_value(moved));
    g.set(*fig, "units", old_units);
    g.set(*fig, "activepositionproperty", old_mode);
}

}  // namespace kelmar
