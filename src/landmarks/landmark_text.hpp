// What the landmark readers share: lines of text with their numbers, fields, coordinates that
// refuse missing values, and the collection of specimens into one dataset.
#pragma once

#include "landmark_file.hpp"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar::landmark_text {

// The lines of a text in order, numbered from 1, without their CR LF or LF; a UTF-8 byte-order
// mark is skipped.
class Lines {
  public:
    explicit Lines(std::string_view text);
    // The next line, or false at the end.
    bool next(std::string_view& line);
    std::size_t number() const { return number_; }

  private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t number_ = 0;
};

std::string_view trim(std::string_view text);
bool equal_ignoring_case(std::string_view a, std::string_view b);

// Blank-separated fields (blanks and tabs).
std::vector<std::string_view> blank_fields(std::string_view line);
// Fields separated by `separator`, each trimmed of blanks and of one pair of double quotes, in
// which the separator may stand.
std::vector<std::string_view> split_fields(std::string_view line, char separator);

// The number a field holds exactly, or nothing.
std::optional<double> number_in(std::string_view field);
// Whether a field marks a value as missing: empty, NA, NaN, "?".
bool marks_missing(std::string_view field);

// "FILE", line L
std::string where(const std::string& file, std::size_t line);

// Where a value stands, for messages: the file, the line and the specimen (its name, or its
// number when the name is not known yet). Cheap to make; its text is built only for a message.
struct Place {
    const std::string& file;
    std::size_t line;
    std::string_view specimen;
    std::size_t specimen_number = 0;
    std::string text() const;
};

// A coordinate: raises an Error saying that a landmark is missing (nothing is estimated) or that
// the text is not a number, naming the place.
double coordinate(std::string_view field, const Place& place);

// Specimens in file order, checked to have one landmark count.
class Specimens {
  public:
    explicit Specimens(std::string file) : file_(std::move(file)) {}
    // `place` names the specimen and its line for the message of a count that differs.
    void add(std::string name, std::span<const double> xyz, const std::string& place,
             std::optional<double> size = std::nullopt);
    std::size_t count() const { return names_.size(); }
    // The dataset; raises an Error for a file with no specimen.
    LandmarkSample finish(LandmarkFormat format, std::string sample_name);

  private:
    std::string file_;
    std::size_t coordinates_ = 0;  // 3p, from the first specimen
    std::vector<double> values_;
    std::vector<std::optional<double>> sizes_;
    std::vector<std::string> names_;
};

}  // namespace kelmar::landmark_text
