// read_table_file: reads a numeric table from a text file, one row per line, numbers separated by
// blanks, tabs or commas. The first line is always read; the data end at the end of the file or at
// the first later line that is exactly one character long, its terminator counted (bytes are taken
// untranslated, so an empty CRLF line is two characters and is read, and fails). Result: an
// n × c matrix, or nothing when the file cannot be opened.
#pragma once

#include <Eigen/Core>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelmar {

// Raises an Error naming the file and line when a line holds text that is not a number, no
// number, or another count of numbers than the first line, and when the file holds no line.
std::optional<Eigen::MatrixXd> read_table_file(const std::string& fname);

// Refuses what would be misread as numbers or as one long line, naming the file: UTF-16 text,
// carriage returns alone as line ends, and any NUL byte (no text file holds one), named by its
// byte in the file. `text` may be the start of a file only, or a later part of it that begins
// `offset` bytes in: only the start can tell UTF-16.
void check_text_encoding(std::string_view text, const std::string& name, std::uint64_t offset = 0);

// The same reading rules on text already in memory; `name` is the file named in messages. With
// `missing_place`, fields that mark a value as missing (NA, NaN, "?") are NaN, and the first
// one's place is kept there.
Eigen::MatrixXd table_from_text(std::string_view text, const std::string& name,
                                std::string* missing_place = nullptr);

}  // namespace kelmar
