// kelmarsw, the switchyard of the main window: one action string per call, compared exactly and
// with case against "load1", "load2", "loadwire", "autoaxis", "anglebetween", "angleisometry",
// "quit", "savefile", "Copy", "AxesOff", "permutationtest", "referencechanged" (the common-
// reference box), "allometryplot", "growthchange", "distributions", "shapespace" and
// "drawingclosed" (a drawing window went) in that order; the first equal one
// runs and any other string does nothing. The actions bind the desktop's analysis session to the
// window: they find every control by its Tag on each use, read its Value, write its String, and use
// the dialogs. An action that fails leaves the session and the controls' texts as they were.
#pragma once

#include "platform/graphics/dialogs.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/numeric/by_name.hpp"
#include "session/session.hpp"

#include <functional>
#include <ostream>
#include <string_view>

namespace kelmar {

struct Switchyard {
    Graphics& g;
    std::function<Dialogs&()> dialogs;  // asked for only by the actions that show one
    Session& session;
    std::ostream& console;  // the echoes of nh, show3q and gv2
};

void kelmarsw(const Switchyard& s, std::string_view action);

// The row of the function table: kelmarsw(action) on the desktop program's graphics model,
// dialogs, session and console.
FunctionRow switchyard_function(Switchyard desktop);

// The actions, each a small function of its own (load_actions.cpp, angle_actions.cpp,
// window_actions.cpp).
void load1(const Switchyard& s);
void load2(const Switchyard& s);
void loadwire(const Switchyard& s);
void anglebetween(const Switchyard& s);
void angleisometry(const Switchyard& s);
void savefile(const Switchyard& s);
void copy_figure(const Switchyard& s);
void autoaxis(const Switchyard& s);
void axes_off(const Switchyard& s);
void permutationtest(const Switchyard& s);
void reference_changed(const Switchyard& s);
void allometry_plot(const Switchyard& s);
void growth_change_view(const Switchyard& s);
void distributions_view(const Switchyard& s);
void shape_space_view(const Switchyard& s);
// The size variable chosen in Listbox1.
SizeVariable size_chosen(const Switchyard& s);
// Enables (or disables) the buttons that pool the samples: Permutation Test and Shape Space.
void enable_pooled(const Switchyard& s, bool on);
// A drawing window where it covers none of the main window's controls.
void place_beside_main_window(Graphics& g, Handle drawing);
// Enables (or disables) the buttons of the pictures of an analysis.
void enable_views(const Switchyard& s, bool on);
// A new drawing window: Copy Figure, Auto Axis and Axes Off act on drawings, so they are enabled
// while one is open; the drawing tells the switchyard when it goes.
void watch_drawing(const Switchyard& s, Handle drawing);
// The windows open beside the main window: the drawings.
int open_drawings(const Graphics& g);
// A drawing window went: the drawing buttons are disabled when none is left.
void drawing_closed(const Switchyard& s);

// Permutations of the window's permutation test.
constexpr Eigen::Index kWindowPermutations = 999;
void quit(const Switchyard& s);

// The controls whose Tag is `tag`, searched among all objects on every use.
std::vector<Handle> tagged(const Graphics& g, std::string_view tag);
// Sets `property` of every control tagged `tag`.
void set_tagged(Graphics& g, std::string_view tag, std::string_view property, const Value& value);
// The Value of the first control tagged `tag`, or the empty value when there is none.
Value tagged_value(const Graphics& g, std::string_view tag);

}  // namespace kelmar
