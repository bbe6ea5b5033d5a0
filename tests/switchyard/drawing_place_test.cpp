#include "switchyard/drawing_place.hpp"

#include <gtest/gtest.h>

#include <vector>

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

// Further drawings are tiled in the free area beside the main window, none over another or over
// the main window, and cascade only once every tile is taken.
TEST(DrawingPlace, FurtherDrawingsTileTheFreeArea) {
    const Rect screen{0, 0, 1920, 1080};
    const Rect main{24, 200, 776, 490};
    const Rect drawing{0, 0, 488, 366};
    std::vector<Rect> placed;
    for (int k = 0; k < 4; ++k) {
        const Rect r = drawing_place(main, screen, drawing, k);
        EXPECT_TRUE(apart(r, main)) << k;
        EXPECT_GE(r.bottom, 0) << k;
        EXPECT_LE(r.bottom + r.height, screen.height) << k;
        EXPECT_LE(r.left + r.width, screen.width) << k;
        for (const Rect& other : placed)
            EXPECT_TRUE(apart(r, other)) << k;
        placed.push_back(r);
    }
    EXPECT_EQ(placed[0].left, 808);  // the first still at the main window's top, right of it
    EXPECT_EQ(placed[0].bottom + placed[0].height, 690);
    const Rect fifth = drawing_place(main, screen, drawing, 4);
    EXPECT_EQ(fifth.left, placed[0].left);
    EXPECT_EQ(fifth.bottom, placed[0].bottom - 24);
}

}  // namespace
}  // namespace kelmar
