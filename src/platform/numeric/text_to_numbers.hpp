// Text to numbers: numbers separated by blanks, tabs or commas, with carriage returns and line
// feeds counting as separators. A number has an optional sign, digits with an optional decimal
// point, and an optional exponent; Inf, Infinity and NaN are accepted in any letter case. Anything
// else is an error naming the offending text. Conversion is exactly rounded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

struct NumbersParsed {
    std::size_t count = 0;       // numbers appended before the end or the first bad text
    bool ok = true;              // false when `bad_text` could not be read as a number
    std::string_view bad_text;   // the offending text, up to the next separator
    std::size_t bad_offset = 0;  // its position in the input
};

// Appends every number of `text` to `out`. Does not raise; callers add the file and line to the
// message of a failure.
NumbersParsed parse_numbers_into(std::string_view text, std::vector<double>& out);

// All numbers of `text`; raises an Error naming the offending text.
std::vector<double> parse_numbers(std::string_view text);

// The message for a text that is not a number, as in: cannot read "1.2.3" as a number.
std::string not_a_number_message(std::string_view bad_text);

}  // namespace kelmar
