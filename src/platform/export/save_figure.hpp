// Saving a figure as the window shows it, at the figure's size: "emf" (our own writer), "svg",
// "pdf" or "png". A file name without an extension gets the format's. The file is written beside
// its target and renamed over it only when complete, so a failed save keeps any earlier file.
// Works without a display: a headless Qt application is brought up when none runs.
#pragma once

#include "platform/graphics/graphics.hpp"

#include <string>
#include <string_view>

namespace kelmar {

// Returns the name written. Raises an Error naming the file, or an unknown format.
std::string save_figure(const Graphics& g, Handle figure, std::string path,
                        std::string_view format);

// The figure as the bytes of a file of `format`.
std::string figure_bytes(const Graphics& g, Handle figure, std::string_view format);

// The format a file name's extension names ("emf", "svg", "pdf", "png"), or "" for another.
std::string format_of(std::string_view path);

// Gives Qt a private runtime folder when the session has none (XDG_RUNTIME_DIR), as Qt would
// after warning on the console about it.
void prepare_qt_runtime_folder();

// Programs that show windows register how their Qt application is made (a widgets application),
// so that an export made before any window still leaves room for windows later.
using ApplicationFactory = void (*)();
void set_application_factory(ApplicationFactory make);

// Makes sure a Qt GUI application exists (offscreen when there is no display), as fonts and
// images need one.
void ensure_gui_application();

}  // namespace kelmar
