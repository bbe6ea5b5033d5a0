// The console echo of a named value: "name =" on its own line, then the value, then a blank line.
// Whole numbers are written as integers; other real arrays with four decimals (or in exponent form
// when their magnitudes call for it), in right-aligned columns; texts in quotes.
#pragma once

#include "value.hpp"

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace kelmar {

std::string echo_text(std::string_view name, const Value& value);

// Writes the echo to `out` (the console by default) and flushes it.
void echo_value(std::string_view name, const Value& value, std::ostream* out = nullptr);

// The process's console: standard output unless redirected (tests capture it this way).
std::ostream& console();
// Redirects the console to `stream`; nullptr restores standard output.
void set_console(std::ostream* stream);

// The runtime's warnings: something was read or done that the user should know of, though it is
// not an error. By default each is written to standard error as "Warning: text"; a program or a
// test may take them instead (an empty sink restores the default). Returns the previous sink.
using WarningSink = std::function<void(const std::string&)>;
void warn(const std::string& text);
WarningSink set_warning_sink(WarningSink sink);

}  // namespace kelmar
