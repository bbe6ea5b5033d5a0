// The handle table of a window and application data on it:
//   guihandles(h):    a structure with one field per usable tag of the window containing h (or the
//                     current figure), holding the row of handles carrying that tag in find_all
//                     order; the empty array when no tag is usable
//   guidata(h):       the value stored on the window containing h ("UsedByGUIData_m")
//   guidata(h, data): stores data there
//   isvarname(s):     a one-row text of at most 31 characters, a letter first, then letters,
//                     digits and underscores, and not a reserved word
//   iskeyword(s):     whether s is one of the 17 reserved words; iskeyword() lists them
#pragma once

#include "platform/graphics/graphics.hpp"

#include <optional>
#include <vector>

namespace kelmar {

// Raises "H must be the handle to a figure or figure descendent." for anything that is not a
// single handle inside a window.
Value guihandles(const Graphics& g, const std::optional<Value>& h = std::nullopt);
Value guidata(const Graphics& g, const Value& h);
void guidata(Graphics& g, const Value& h, const Value& data);

bool isvarname(const Value& s);
bool iskeyword(const Value& s);
// The reserved words as a 17 × 1 cell column.
Value iskeyword();

}  // namespace kelmar
