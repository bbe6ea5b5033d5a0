// The Qt application of the desktop program: created once, on the offscreen platform when no
// display is available (constructing it without a display would abort the process), and the
// event loop that runs while any figure of the model is open.
#pragma once

#include "platform/graphics/graphics.hpp"

#include <optional>

namespace kelmar {

// Creates the application if there is none yet; returns whether a real display is used.
bool ensure_qt_application();

// Services the user interface until the model has no figure left, or, when `main` names a
// figure, until that figure is closed: the figures still open then close with it.
void run_event_loop(Graphics& g, std::optional<Handle> main = std::nullopt);

}  // namespace kelmar
