#include "switchyard/drawing_place.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

bool apart(const Rect& a, const Rect& b) {
    return a.left >= b.left + b.width || a.left + a.width <= b.left ||
           a.bottom >= b.bottom + b.height || a.bottom + a.height <= b.bottom;
}

// Right of the main window when there is room, else left, else shrunk beside it, else below;
// never over it, whatever the screen.
TEST(DrawingPlace, BesideTheMainWindowOrBelowIt) {
    const Rect drawing{0, 0, 560, 420};
    const Rect wide{0, 0, 1920, 1080};
    Rect main{24, 200, 776, 490};
    Rect r = drawing_place(main, wide, drawing, 0);
    EXPECT_EQ(r.left, 808);
    EXPECT_EQ(r.bottom + r.height, 690);  // tops aligned
    EXPECT_EQ(drawing_place(main, wide, drawing, 2).bottom, r.bottom - 48);

    main.left = 1200;  // the main window at the right: the drawing goes to its left
    r = drawing_place(main, wide, drawing, 0);
    EXPECT_EQ(r.left + r.width, 1192);
    EXPECT_EQ(r.width, 560);

    main.left = 24;
    r = drawing_place(main, {0, 0, 1280, 1024}, drawing, 0);
    EXPECT_EQ(r.left, 808);
    EXPECT_EQ(r.width, 1280 - 808);
    EXPECT_NEAR(r.height / r.width, 0.75, 1e-12);

    // No room beside, 300 px below (between the smallest useful drawing's 240 and the wanted
    // 420): as large as the room below allows, its top under the main window.
    main = {0, 308, 1000, 460};
    r = drawing_place(main, {0, 0, 1024, 768}, drawing, 0);
    EXPECT_EQ(r.height, 300);
    EXPECT_EQ(r.width, 400);
    EXPECT_EQ(r.bottom, 0);
    EXPECT_LE(r.bottom + r.height, main.bottom - 8);

    for (const Rect screen : {Rect{0, 0, 1024, 768}, Rect{0, 0, 800, 1024}}) {
        main = {0, 500, 776, 260};
        r = drawing_place(main, screen, drawing, 1);
        EXPECT_TRUE(apart(r, main)) << r.left << " " << r.bottom << " " << r.width;
        EXPECT_GE(r.bottom, 0);
        EXPECT_LE(r.left + r.width, screen.width);
    }
}

}  // namespace
}  // namespace kelmar
