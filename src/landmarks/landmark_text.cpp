#include "landmark_text.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <charconv>
#include <cmath>

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

std::vector<std::string_view> split_fields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        // A field in double quotes may hold the separator.
        std::size_t search = start;
        while (search < line.size() && (line[search] == ' ' || line[search] == '\t'))
            ++search;
        if (search < line.size() && line[search] == '"') {
            const std::size_t close = line.find('"', search + 1);
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

double coordinate(std::string_view field, const Place& where) {
    const std::optional<double> value = number_in(field);
    if (value && std::isfinite(*value))
        return *value;
    const std::string place = where.text();
    if (marks_missing(field)) {
        throw Error(place + ": a landmark is missing (" +
                    (field.empty() ? std::string("an empty field") : in_quotes(field)) +
                    "); every landmark must be present, nothing is estimated");
    }
    if (!value)
        throw Error(place + ": " + in_quotes(printable(field)) + " is not a number");
    throw Error(place + ": " + in_quotes(printable(field)) + " is not a finite number");
}

void Specimens::add(std::string name, std::span<const double> xyz, const std::string& place,
                    std::optional<double> size) {
    if (names_.empty()) {
        coordinates_ = xyz.size();
    } else if (xyz.size() != coordinates_) {
        throw Error(place + ": specimen " + in_quotes(name) + " has " +
                    std::to_string(xyz.size() / 3) + " landmarks, but specimen " +
                    in_quotes(names_.front()) + " has " + std::to_string(coordinates_ / 3));
    }
    values_.insert(values_.end(), xyz.begin(), xyz.end());
    sizes_.push_back(size);
    names_.push_back(std::move(name));
}

LandmarkSample Specimens::finish(LandmarkFormat format, std::string sample_name) {
    if (names_.empty())
        throw Error(in_quotes(file_) + " holds no specimen");
    const auto n = static_cast<Eigen::Index>(names_.size());
    const auto c = static_cast<Eigen::Index>(coordinates_);
    LandmarkSample sample;
    sample.data.resize(n, c + 1);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double* xyz = values_.data() + i * c;
        double mean[3] = {0.0, 0.0, 0.0};
        for (Eigen::Index j = 0; j < c; ++j) {
            sample.data(i, j) = xyz[j];
            mean[j % 3] += xyz[j];
        }
        // The centroid size: the root of the summed squared distances to the centroid.
        const double landmarks = static_cast<double>(c / 3);
        double sum = 0.0;
        for (Eigen::Index j = 0; j < c; ++j) {
            const double d = xyz[j] - mean[j % 3] / landmarks;
            sum += d * d;
        }
        const std::optional<double>& recorded = sizes_[static_cast<std::size_t>(i)];
        sample.data(i, c) = recorded ? *recorded : std::sqrt(sum);
    }
    sample.names = std::move(names_);
    sample.name = std::move(sample_name);
    sample.format = format;
    return sample;
}

}  // namespace kelmar::landmark_text
