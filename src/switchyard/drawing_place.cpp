#include "drawing_place.hpp"

#include <algorithm>

namespace kelmar {
namespace {

constexpr double kGap = 8.0;         // between the main window and a drawing
constexpr double kStep = 24.0;       // each further drawing this much lower
constexpr double kSmallest = 320.0;  // narrower than this a drawing is of little use

// `r` scaled to `width`, its aspect kept.
Rect scaled_to_width(Rect r, double width) {
    r.height *= width / r.width;
    r.width = width;
    return r;
}

}  // namespace

Rect drawing_place(const Rect& main, const Rect& screen, const Rect& drawing, int others) {
    const double right_room = screen.width - (main.left + main.width + kGap);
    const double left_room = main.left - kGap;
    const double below_room = main.bottom - kGap;
    const double lower = kStep * std::max(0, others);
    Rect r = drawing;
    // Beside the main window, its top at the main window's top.
    const auto beside = [&](bool right, double width) {
        r = scaled_to_width(drawing, std::min(width, drawing.width));
        r.left = right ? main.left + main.width + kGap : main.left - kGap - r.width;
        r.bottom = std::max(0.0, main.bottom + main.height - r.height - lower);
        return r;
    };
    if (right_room >= drawing.width)
        return beside(true, drawing.width);
    if (left_room >= drawing.width)
        return beside(false, drawing.width);
    if (std::max(right_room, left_room) >= kSmallest)
        return beside(right_room >= left_room, std::max(right_room, left_room));
    if (below_room >= kSmallest * drawing.height / drawing.width) {
        // Below the main window, as large as the room allows.
        r = scaled_to_width(drawing,
                            std::min(drawing.width, below_room * drawing.width / drawing.height));
        r.height = std::min(r.height, below_room);
        r.left = std::clamp(main.left + lower, 0.0, std::max(0.0, screen.width - r.width));
        r.bottom = std::max(0.0, below_room - r.height - lower);
        return r;
    }
    // No room anywhere: at the screen's right edge, where the main window has no buttons.
    r.left = std::max(0.0, screen.width - r.width);
    r.bottom = std::max(0.0, main.bottom + main.height - r.height - lower);
    return r;
}

}  // namespace kelmar
