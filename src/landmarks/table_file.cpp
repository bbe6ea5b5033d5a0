#include "table_file.hpp"

#include "landmark_text.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/text_to_numbers.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace kelmar {
namespace {

struct ParsedTable {
    std::vector<double> values;  // row after row
    std::size_t columns = 0;
};

std::string where(const std::string& name, std::size_t line) {
    return in_quotes(name) + ", line " + std::to_string(line);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool all_blank(std::string_view line) {
    return std::all_of(line.begin(), line.end(), is_blank);
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Numbers written with decimal commas, as in "34,828 16,508 21,3": fields separated by blanks,
// most of them holding exactly one comma between two digits. A comma-separated table ("1,2,3")
// is one field per line, and "1, 2, 3" has no digit after its commas, so neither looks like this.
bool looks_like_decimal_commas(std::string_view line) {
    std::size_t fields = 0;
    std::size_t with_comma = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i]))
            ++i;
        const std::string_view field = line.substr(start, i - start);
        ++fields;
        const std::size_t comma = field.find(',');
        if (comma == std::string_view::npos)
            continue;
        if (field.find(',', comma + 1) != std::string_view::npos || comma == 0 ||
            comma + 1 == field.size() || !is_digit(field[comma - 1]) || !is_digit(field[comma + 1]))
            return false;
        ++with_comma;
    }
    return with_comma >= 2 && 2 * with_comma > fields;
}

[[noreturn]] void refuse_decimal_commas(const std::string& name, std::size_t line) {
    throw Error(where(name, line) +
                ": the numbers seem to use decimal commas (as in \"34,828\"); a comma separates "
                "numbers here, so write decimal points instead");
}

}  // namespace

void check_text_encoding(std::string_view text, const std::string& name, std::uint64_t offset) {
    if (offset == 0 && text.size() >= 2 &&
        ((static_cast<unsigned char>(text[0]) == 0xff &&
          static_cast<unsigned char>(text[1]) == 0xfe) ||
         (static_cast<unsigned char>(text[0]) == 0xfe &&
          static_cast<unsigned char>(text[1]) == 0xff) ||
         (text[0] == '\0') != (text[1] == '\0'))) {
        throw Error(in_quotes(name) +
                    " seems to be UTF-16 text; save it as plain text (ASCII or UTF-8)");
    }
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        throw Error(
            in_quotes(name) + " is not a text file: it holds a NUL byte (byte " +
            std::to_string(offset +
                           static_cast<std::uint64_t>(static_cast<const char*>(nul) - text.data()) +
                           1) +
            ")");
    }
    if (std::memchr(text.data(), '\n', text.size()) == nullptr) {
        const std::size_t cr = text.find('\r');
        if (cr != std::string_view::npos && !all_blank(text.substr(cr)))
            throw Error(in_quotes(name) +
                        " has carriage returns alone as line ends (an old Mac text file); save "
                        "it with line feed or carriage-return line-feed line ends");
    }
}

namespace {

// The end of the line starting at `pos`: just after its line feed, or the end of the text.
std::size_t line_end(std::string_view text, std::size_t pos) {
    const void* lf = std::memchr(text.data() + pos, '\n', text.size() - pos);
    return lf == nullptr ? text.size()
                         : static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) + 1;
}

// A line after the first ends the data when it is one character long (its terminator counted)
// or holds only blanks; the lines from there on are not read, and the user is told when any of
// them holds something.
void warn_of_unread_lines(std::string_view rest, const std::string& name, std::size_t line,
                          std::string_view ending) {
    std::size_t unread = 0;
    std::size_t pos = 0;
    while (pos < rest.size()) {
        const std::size_t end = line_end(rest, pos);
        if (!all_blank(rest.substr(pos, end - pos)))
            ++unread;
        pos = end;
    }
    if (unread == 0)
        return;
    const std::string what = all_blank(ending) ? "is blank" : "is one character long";
    warn(where(name, line) + " " + what + " and ends the data; " + std::to_string(unread) +
         " non-blank line" + (unread == 1 ? " was" : "s were") + " not read");
}

// The numbers of one line into `values`; with `missing_place`, a field that marks a value as
// missing (NA, NaN, "?") is NaN, and the first one's place is kept there.
NumbersParsed line_numbers(std::string_view line, std::vector<double>& values,
                           const std::string& name, std::size_t number,
                           std::string* missing_place) {
    NumbersParsed total;
    while (true) {
        const NumbersParsed parsed = parse_numbers_into(line, values);
        total.count += parsed.count;
        if (parsed.ok || missing_place == nullptr ||
            !landmark_text::marks_missing(parsed.bad_text)) {
            total.ok = parsed.ok;
            total.bad_text = parsed.bad_text;
            return total;
        }
        values.push_back(std::numeric_limits<double>::quiet_NaN());
        ++total.count;
        if (missing_place->empty()) {
            *missing_place = where(name, number) + ": a landmark is missing (" +
                             in_quotes(parsed.bad_text) + ")";
        }
        line.remove_prefix(parsed.bad_offset + parsed.bad_text.size());
    }
}

ParsedTable parse_table(std::string_view text, const std::string& name,
                        std::string* missing_place) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);  // a UTF-8 byte-order mark
    check_text_encoding(text, name);
    ParsedTable table;
    std::vector<double>& values = table.values;
    std::size_t line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = line_end(text, pos);
        ++line;
        const std::string_view current = text.substr(pos, end - pos);
        if (line > 1 && (current.size() == 1 || all_blank(current))) {
            warn_of_unread_lines(text.substr(pos), name, line, current);
            break;
        }
        const NumbersParsed parsed = line_numbers(current, values, name, line, missing_place);
        if (!parsed.ok) {
            throw Error(where(name, line) + ": " + not_a_number_message(parsed.bad_text));
        }
        if (line == 1) {
            if (parsed.count == 0) {
                throw Error(where(name, 1) + ": the first line holds no number");
            }
            if (looks_like_decimal_commas(current))
                refuse_decimal_commas(name, 1);
            table.columns = parsed.count;
            // Lines of a table are of similar length: reserve for the whole file at once.
            const std::size_t lines_estimate = text.size() / (end - pos) + 1;
            values.reserve(table.columns *
                           std::min<std::size_t>(lines_estimate * 11 / 10, 1u << 26));
        } else if (parsed.count != table.columns) {
            if (looks_like_decimal_commas(current))
                refuse_decimal_commas(name, line);
            throw Error(where(name, line) + ": expected " + std::to_string(table.columns) +
                        " numbers as on line 1, found " +
                        (parsed.count == 0 ? std::string("none") : std::to_string(parsed.count)));
        }
        pos = end;
    }
    if (line == 0) {
        throw Error(in_quotes(name) + " holds no data: the file is empty");
    }
    return table;
}

Eigen::MatrixXd to_matrix(const ParsedTable& table) {
    const auto rows = static_cast<Eigen::Index>(table.values.size() / table.columns);
    using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    return Eigen::Map<const RowMajor>(table.values.data(), rows,
                                      static_cast<Eigen::Index>(table.columns));
}

}  // namespace

Eigen::MatrixXd table_from_text(std::string_view text, const std::string& name,
                                std::string* missing_place) {
    return to_matrix(parse_table(text, name, missing_place));
}

std::optional<Eigen::MatrixXd> read_table_file(const std::string& fname) {
    try {
        std::optional<std::string> bytes = read_file_bytes(fname, true);
        if (!bytes) {
            return std::nullopt;
        }
        ParsedTable table = parse_table(*bytes, fname, nullptr);
        bytes.reset();  // the text is no longer needed while the matrix is built
        return to_matrix(table);
    } catch (const std::bad_alloc&) {
        throw Error("not enough memory to read " + in_quotes(fname));
    }
}

}  // namespace kelmar
