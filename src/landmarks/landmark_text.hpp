// What the landmark readers share: lines of text with their numbers, fields, coordinates that
// refuse missing values, and the collection of specimens into one dataset.
#pragma once

#include "landmark_file.hpp"

#include <cstddef>
#include <cstdint>
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
// The first up to four blank-separated fields into `out`, without allocating; returns how many
// fields the line holds, counting up to five.
std::size_t first_fields(std::string_view line, std::string_view (&out)[4]);
// Fields separated by `separator`, each trimmed of blanks and of one pair of double quotes, in
// which the separator may stand and "" stands for one quote.
std::vector<std::string_view> split_fields(std::string_view line, char separator);
// A field's text as a name: each "" read as one double quote.
std::string field_text(std::string_view field);

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

// A coordinate: raises an Error saying that the text is not a number, naming the place, or that
// the value is missing. `what` names the value in the messages ("a landmark", "the size"). With
// `missing_place`, a missing value is NaN instead, and the first one's message is kept there.
double coordinate(std::string_view field, const Place& place, std::string_view what = "a landmark",
                  std::string* missing_place = nullptr);

// The lines of a file, read through a buffer of modest size so that a large file is never held
// whole; the same lines as Lines gives for the file's text. Raises an Error when the file cannot
// be opened or read.
class FileLines {
  public:
    // `name` is the file as messages name it. Raises the Errors of check_text_encoding for the
    // file's start, and for a NUL byte anywhere.
    FileLines(const std::string& path, const std::string& name);
    ~FileLines();
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;

    // The next line, valid until the next call; false at the end.
    bool next(std::string_view& line);
    std::size_t number() const { return number_; }
    // Back to the first line.
    void rewind();

  private:
    bool fill();  // reads more; false at the end of the file

    std::string path_;
    std::string name_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // the unread bytes are buffer_[begin_, end_)
    std::size_t end_ = 0;
    bool at_end_ = false;
    std::size_t number_ = 0;
    std::uint64_t read_ = 0;  // bytes read from the file so far
};

// Specimens in file order, checked to have one landmark count, written into the dataset as they
// come (through a small block, so that the dataset's columns are written in runs).
class Specimens {
  public:
    // `expected`: the specimens the file announces, when known, so the dataset is made once;
    // `d`: the landmarks' dimension, 2 or 3.
    explicit Specimens(std::string file, std::size_t expected = 0, std::size_t d = 3)
        : file_(std::move(file)), expected_(expected), d_(d) {}
    // `place` names the specimen and its line for the messages. Without a recorded size, the
    // size is the centroid size of `xyz`, or NaN when a landmark is missing (a NaN coordinate):
    // it is computed once the landmark is estimated. Raises an Error, in the specimen's terms,
    // for a count that differs, an infinite coordinate (after a scale, say) or a size that is not
    // a positive finite number.
    void add(std::string name, std::span<const double> xyz, const std::string& place,
             std::optional<double> size = std::nullopt);
    std::size_t count() const { return names_.size(); }
    // Where the first landmark marked missing stands, kept for the messages (see coordinate).
    std::string* missing_place() { return &missing_place_; }
    // The dataset; raises an Error for a file with no specimen.
    LandmarkSample finish(LandmarkFormat format, std::string sample_name);

  private:
    void flush();

    static constexpr std::size_t kBlock = 64;
    std::string file_;
    std::size_t expected_ = 0;
    std::size_t d_ = 3;
    std::size_t coordinates_ = 0;  // dp, from the first specimen
    Eigen::MatrixXd data_;
    std::vector<double> block_;  // up to kBlock specimens, row after row, size last
    std::size_t in_block_ = 0;
    std::size_t flushed_ = 0;  // rows of data_ written
    std::vector<std::string> names_;
    std::vector<bool> size_computed_;
    std::string missing_place_;
};

// The TPS specimens among the lines of `source`: the blocks of 3D landmarks (LM3= lines) and of
// 2D landmarks (LM= lines), and the line of the first of each.
struct TpsBlocks {
    std::size_t lm3 = 0, lm = 0;
    std::size_t first_lm3 = 0, first_lm = 0;
};
template <typename Source>
TpsBlocks count_tps_blocks(Source& source) {
    TpsBlocks blocks;
    std::string_view line;
    while (source.next(line)) {
        line = trim(line);
        if (line.size() > 4 && equal_ignoring_case(line.substr(0, 3), "LM3") &&
            trim(line.substr(3)).starts_with('=')) {
            if (blocks.lm3++ == 0)
                blocks.first_lm3 = source.number();
        } else if (line.size() > 3 && equal_ignoring_case(line.substr(0, 2), "LM") &&
                   trim(line.substr(2)).starts_with('=')) {
            if (blocks.lm++ == 0)
                blocks.first_lm = source.number();
        }
    }
    return blocks;
}

}  // namespace kelmar::landmark_text
