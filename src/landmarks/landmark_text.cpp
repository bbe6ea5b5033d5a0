#include "landmark_text.hpp"

#include "platform/numeric/safe_scale.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"
#include "table_file.hpp"

#include "platform/numeric/files.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kelmar::landmark_text {

Lines::Lines(std::string_view text) : text_(text) {
    if (text_.starts_with("\xEF\xBB\xBF"))
        position_ = 3;
}

bool Lines::next(std::string_view& line) {
    if (position_ >= text_.size())
        return false;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos)
        end = text_.size();
    line = text_.substr(position_, end - position_);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    position_ = end + 1;
    ++number_;
    return true;
}

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::vector<std::string_view> blank_fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::size_t first_fields(std::string_view line, std::string_view (&out)[4]) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size() && count < 5) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) {
            if (count < 4)
                out[count] = line.substr(start, i - start);
            ++count;
        }
    }
    return count;
}

std::vector<std::string_view> split_fields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        // A field in double quotes may hold the separator.
        std::size_t search = start;
        while (search < line.size() && (line[search] == ' ' || line[search] == '\t'))
            ++search;
        if (search < line.size() && line[search] == '"') {
            // The closing quote is the first one not doubled: "" inside stands for one quote.
            std::size_t close = line.find('"', search + 1);
            while (close != std::string_view::npos && close + 1 < line.size() &&
                   line[close + 1] == '"')
                close = line.find('"', close + 2);
            if (close != std::string_view::npos)
                search = close + 1;
        }
        const std::size_t end = line.find(separator, search);
        std::string_view field =
            trim(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
            field = field.substr(1, field.size() - 2);
        fields.push_back(field);
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

std::string field_text(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        out += field[i];
        if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"')
            ++i;
    }
    return out;
}

std::optional<double> number_in(std::string_view field) {
    if (field.starts_with('+'))
        field.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty())
        return std::nullopt;
    return value;
}

bool marks_missing(std::string_view field) {
    return field.empty() || equal_ignoring_case(field, "na") || equal_ignoring_case(field, "nan") ||
           field == "?";
}

std::string where(const std::string& file, std::size_t line) {
    return in_quotes(file) + ", line " + std::to_string(line);
}

std::string Place::text() const {
    return where(file, line) + " (specimen " +
           (specimen.empty() ? std::to_string(specimen_number) : in_quotes(specimen)) + ")";
}

double coordinate(std::string_view field, const Place& where, std::string_view what,
                  std::string* missing_place) {
    const std::optional<double> value = number_in(field);
    if (value && std::isfinite(*value))
        return *value;
    const std::string place = where.text();
    if (marks_missing(field)) {
        std::string message = place;
        message += ": " + std::string(what) + " is missing (" +
                   (field.empty() ? std::string("an empty field") : in_quotes(field)) + ")";
        if (missing_place == nullptr)
            throw Error(message + "; every value must be present");
        if (missing_place->empty())
            *missing_place = message;
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (!value) {
        throw Error(place + ": " + std::string(what) + ", " + in_quotes(printable(field)) +
                    ", is not a number");
    }
    throw Error(place + ": " + std::string(what) + ", " + in_quotes(printable(field)) +
                ", is not a finite number");
}

namespace {

constexpr const char* kAxes[] = {"x", "y", "z"};

// The centroid size: the root of the summed squared distances to the centroid, scaled by a power
// of two first when the coordinates are so large or small that the squares would overflow.
double centroid_size_of(std::span<const double> xyz, std::size_t d) {
    double mean[3] = {0.0, 0.0, 0.0};
    double largest = 0.0;
    for (std::size_t j = 0; j < xyz.size(); ++j) {
        mean[j % d] += xyz[j];
        largest = std::max(largest, std::abs(xyz[j]));
    }
    const double landmarks = static_cast<double>(xyz.size() / d);
    const double scale = safe_scale(largest);
    double sum = 0.0;
    for (std::size_t j = 0; j < xyz.size(); ++j) {
        const double e = scale == 1.0 ? xyz[j] - mean[j % d] / landmarks
                                      : xyz[j] * scale - mean[j % d] * scale / landmarks;
        sum += e * e;
    }
    return std::sqrt(sum) / scale;
}

}  // namespace

FileLines::FileLines(const std::string& path, const std::string& name)
    : path_(path), name_(name), buffer_(std::size_t{1} << 20) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw Error(cannot_open_message(path));
    rewind();
}

FileLines::~FileLines() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FileLines::rewind() {
    if (::lseek(fd_, 0, SEEK_SET) != 0)
        throw Error("cannot read " + in_quotes(path_) + ": " + std::strerror(errno));
    begin_ = end_ = 0;
    at_end_ = false;
    number_ = 0;
    read_ = 0;
    fill();
    check_text_encoding(std::string_view(buffer_.data(), end_), name_);
    if (std::string_view(buffer_.data(), end_).starts_with("\xEF\xBB\xBF"))
        begin_ = 3;
}

bool FileLines::fill() {
    if (at_end_)
        return false;
    // Keep the unread part at the front, and make room when a line outgrows the buffer.
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (end_ == buffer_.size())
        buffer_.resize(2 * buffer_.size());
    while (true) {
        const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("cannot read " + in_quotes(path_) + ": " + std::strerror(errno));
        if (n == 0)
            at_end_ = true;
        // A NUL is named by its byte in the file, not in this chunk.
        if (std::memchr(buffer_.data() + end_, '\0', static_cast<std::size_t>(n)) != nullptr)
            check_text_encoding(
                std::string_view(buffer_.data() + end_, static_cast<std::size_t>(n)), name_, read_);
        read_ += static_cast<std::uint64_t>(n);
        end_ += static_cast<std::size_t>(n);
        return n > 0;
    }
}

bool FileLines::next(std::string_view& line) {
    while (true) {
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        if (newline != nullptr || (at_end_ && begin_ < end_)) {
            const std::size_t length =
                newline != nullptr ? static_cast<std::size_t>(newline - start) : end_ - begin_;
            line = std::string_view(start, length);
            begin_ += length + (newline != nullptr ? 1 : 0);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            ++number_;
            return true;
        }
        if (!fill() && begin_ == end_)
            return false;
    }
}

void Specimens::add(std::string name, std::span<const double> xyz, const std::string& place,
                    std::optional<double> size) {
    if (names_.empty()) {
        coordinates_ = xyz.size();
        block_.resize(kBlock * (coordinates_ + 1));
        data_.resize(static_cast<Eigen::Index>(std::max<std::size_t>(expected_, kBlock)),
                     static_cast<Eigen::Index>(coordinates_ + 1));
    } else if (xyz.size() != coordinates_) {
        throw Error(place + ": specimen " + in_quotes(name) + " has " +
                    std::to_string(xyz.size() / d_) + " landmarks, but specimen " +
                    in_quotes(names_.front()) + " has " + std::to_string(coordinates_ / d_));
    }
    bool complete = true;
    for (std::size_t j = 0; j < xyz.size(); ++j) {
        if (std::isnan(xyz[j])) {
            complete = false;  // a missing landmark
        } else if (!std::isfinite(xyz[j])) {
            throw Error(place + ": specimen " + in_quotes(name) + ", landmark " +
                        std::to_string(j / d_ + 1) + ": its " + kAxes[j % d_] + " coordinate is " +
                        shortest_text(xyz[j]) +
                        ", not a finite number (a scale too large for double precision?)");
        }
    }
    double* row = block_.data() + in_block_ * (coordinates_ + 1);
    std::copy(xyz.begin(), xyz.end(), row);
    row[coordinates_] = size       ? *size
                        : complete ? centroid_size_of(xyz, d_)
                                   : std::numeric_limits<double>::quiet_NaN();
    // One landmark has no size at all; the dataset check says why a shape needs two.
    const bool sized = xyz.size() >= 2 * d_ || size.has_value();
    if ((size || complete) &&
        (!std::isfinite(row[coordinates_]) || (sized && !(row[coordinates_] > 0.0)))) {
        throw Error(place + ": specimen " + in_quotes(name) +
                    (size ? ": the size " + shortest_text(*size) + " is not a positive number"
                          : ": the centroid size is " + shortest_text(row[coordinates_]) +
                                ": the landmarks all coincide, so the specimen has no size"));
    }
    names_.push_back(std::move(name));
    size_computed_.push_back(!size);
    if (++in_block_ == kBlock)
        flush();
}

void Specimens::flush() {
    if (in_block_ == 0)
        return;
    const auto needed = static_cast<Eigen::Index>(flushed_ + in_block_);
    if (needed > data_.rows())
        data_.conservativeResize(std::max(needed, 2 * data_.rows()), Eigen::NoChange);
    const auto c = static_cast<Eigen::Index>(coordinates_ + 1);
    using Block = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    data_.middleRows(static_cast<Eigen::Index>(flushed_), static_cast<Eigen::Index>(in_block_)) =
        Eigen::Map<const Block>(block_.data(), static_cast<Eigen::Index>(in_block_), c);
    flushed_ += in_block_;
    in_block_ = 0;
}

LandmarkSample Specimens::finish(LandmarkFormat format, std::string sample_name) {
    if (names_.empty())
        throw Error(in_quotes(file_) + " holds no specimen");
    flush();
    LandmarkSample sample;
    if (static_cast<Eigen::Index>(flushed_) != data_.rows())
        data_.conservativeResize(static_cast<Eigen::Index>(flushed_), Eigen::NoChange);
    sample.data = std::move(data_);
    sample.names = std::move(names_);
    sample.name = std::move(sample_name);
    sample.format = format;
    sample.dimensions = static_cast<int>(d_);
    sample.first_missing = std::move(missing_place_);
    sample.size_computed = std::move(size_computed_);
    return sample;
}

}  // namespace kelmar::landmark_text
