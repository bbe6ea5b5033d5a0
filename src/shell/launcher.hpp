// The launcher kelmar6: without inputs it opens the main window from Kelmar6.fig under the
// "reuse" policy (a second call raises the same window), colours it with the root's default
// control background colour and stores its handle table on it; with a text first input it calls
// that function by name with the other inputs, printing (and, when a window is open, showing) the
// message of any error instead of raising it; any other first input does nothing.
#pragma once

#include "function_table.hpp"
#include "platform/graphics/dialogs.hpp"
#include "platform/graphics/graphics.hpp"

#include <cstddef>
#include <functional>
#include <ostream>

namespace kelmar {

// The launcher's row of the function table, calling through `table` and printing caught errors on
// `console`; `dialogs` shows them while a window is open, and `errors_told` counts them.
FunctionRow launcher_function(FunctionTable& table, Graphics& g, std::function<Dialogs&()> dialogs,
                              std::ostream& console, std::size_t& errors_told);

}  // namespace kelmar
