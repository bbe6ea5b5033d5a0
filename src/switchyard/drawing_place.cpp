#include "drawing_place.hpp"

#include <algorithm>
#include <vector>

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
    // Beside the main window: the first at the main window's top, the next ones tiled in the free
    // area on that side (rows down, then up, column by column outward), and only when every tile
    // is taken one step lower each round.
    const auto beside = [&](bool right, double width) {
        r = scaled_to_width(drawing, std::min(width, drawing.width));
        const double first_left =
            right ? main.left + main.width + kGap : main.left - kGap - r.width;
        const double first_bottom = std::max(0.0, main.bottom + main.height - r.height);
        std::vector<double> rows;
        for (double b = first_bottom; b >= 0.0; b -= r.height + kGap)
            rows.push_back(b);
        for (double b = first_bottom + r.height + kGap; b + r.height <= screen.height;
             b += r.height + kGap)
            rows.push_back(b);
        std::vector<double> columns;
        for (double left = first_left; right ? left + r.width <= screen.width : left >= 0.0;
             left += right ? r.width + kGap : -(r.width + kGap))
            columns.push_back(left);
        if (columns.empty())
            columns.push_back(first_left);
        const std::size_t tiles = rows.size() * columns.size();
        const auto k = static_cast<std::size_t>(std::max(0, others));
        const std::size_t tile = k % tiles;
        r.left = columns[tile / rows.size()];
        r.bottom = std::max(0.0, rows[tile % rows.size()] - kStep * static_cast<double>(k / tiles));
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
