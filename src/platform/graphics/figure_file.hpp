// Figure files: our own JSON format describing one figure and its children.
//   {"type": "figure", "properties": {"Name": "...", "Position": [l, b, w, h], ...},
//    "children": [{"type": "control", "properties": {"Style": "pushbutton", "Tag": "...",
//                   "Callback": "kelmar6('kelmarsw', 'load1')", ...}}, ...]}
// Property values: numbers, texts, rows of numbers, lists of texts (list box entries), rows of
// rows (matrices), true/false and null (empty).
#pragma once

#include "graphics.hpp"

#include <string>

namespace kelmar {

// Loads the file into a new figure and returns its handle. A failure raises an Error naming the
// file and what is wrong; nothing of a figure that failed to load stays in the model.
Handle load_figure_file(Graphics& g, const std::string& path);

// The same from text; `name` is the file named in messages.
Handle load_figure_text(Graphics& g, const std::string& text, const std::string& name);

}  // namespace kelmar
