// Formatted text with C-style conversions (%s %c %d %i %u %x %X %o %f %F %e %E %g %G and %%, with
// flags, width and precision, '*' taking them from the arguments). Escapes in the format (the two
// characters backslash-n and the like) become control characters. Arguments are consumed item by
// item: a real array gives its elements in column order, a text one item. The format is reused
// until the items are used up; a pass stops at the first conversion left without an item.
//
// Decisions where C and the numeric runtime differ:
//  - %d, %i, %u, %x, %X, %o and %c with a value that is not a whole number write it as %e would
//    (same flags, width and precision), so no digits are silently lost;
//  - %s with a number writes the number in its shortest form that reads back exactly ("20", "0.1");
//  - a text item under a numeric conversion is written as text, padded to the width;
//  - infinities and not-a-number are written as Inf, -Inf and NaN, padded with blanks;
//  - a format without conversions, or arguments without any item, write the format once, each
//    conversion writing nothing;
//  - a '%' that starts no valid conversion is written as it stands.
#pragma once

#include "value.hpp"

#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kelmar {

std::string format_text(std::string_view format, std::span<const Value> args);
inline std::string format_text(std::string_view format, std::initializer_list<Value> args = {}) {
    return format_text(format, std::span<const Value>(args.begin(), args.size()));
}

// Writes the formatted text to an open file and returns the number of bytes written; a failed
// write raises an Error.
std::size_t format_to_file(std::FILE* file, std::string_view format, std::span<const Value> args);
inline std::size_t format_to_file(std::FILE* file, std::string_view format,
                                  std::initializer_list<Value> args = {}) {
    return format_to_file(file, format, std::span<const Value>(args.begin(), args.size()));
}

// The shortest decimal text that reads back as exactly `x` ("Inf", "-Inf", "NaN" for
// non-finite values).
std::string shortest_text(double x);

// The characters (UTF-8 code points) of a text.
std::size_t character_count(std::string_view utf8);

// `utf8` itself when it has at most `longest` characters; otherwise its beginning and its end
// joined by an ellipsis, `longest` characters in all, where names of a series differ (a date, a
// number, the extension). Never cuts inside a character.
std::string shorten_middle(std::string_view utf8, std::size_t longest);

}  // namespace kelmar
