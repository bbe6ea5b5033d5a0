// The one error type of the system: it carries the message text the user sees, naming the file,
// line or value at fault. Raising an Error also makes its message the process-wide last error
// text, which the launcher prints when it catches an error from a call by name.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kelmar {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message);
};

// The text of the most recently constructed Error, or of the last one recorded by a catcher of
// foreign exceptions ("" before any).
std::string last_error_text();
void set_last_error_text(const std::string& message);

// Text from a file or a file name made safe for a message: control characters and NUL bytes are
// shown escaped (\t, \r, \n, \0, \x1b), so nothing reaches the terminal raw and nothing cuts the
// message short.
std::string printable(std::string_view text);

// printable(text) in double quotes, as messages name files and values.
std::string in_quotes(std::string_view text);

}  // namespace kelmar
