#include "dload.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"
#include "platform/numeric/text_to_numbers.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kelmar {
namespace {

std::string where(const std::string& name, std::size_t line) {
    return "\"" + name + "\", line " + std::to_string(line);
}

}  // namespace

Eigen::MatrixXd table_from_text(std::string_view text, const std::string& name) {
    std::vector<double> values;
    std::size_t columns = 0;
    std::size_t line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A line runs up to and including its line feed, or to the end of the file.
        const void* lf = std::memchr(text.data() + pos, '\n', text.size() - pos);
        const std::size_t end =
            lf == nullptr
                ? text.size()
                : static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) + 1;
        ++line;
        if (line > 1 && end - pos == 1) {
            break;  // a one-character line ends the data; nothing after it is read
        }
        const NumbersParsed parsed = parse_numbers_into(text.substr(pos, end - pos), values);
        if (!parsed.ok) {
            throw Error(where(name, line) + ": " + not_a_number_message(parsed.bad_text));
        }
        if (line == 1) {
            if (parsed.count == 0) {
                throw Error(where(name, 1) + ": the first line holds no number");
            }
            columns = parsed.count;
            // Lines of a table are of similar length: reserve for the whole file at once.
            const std::size_t lines_estimate = text.size() / (end - pos) + 1;
            values.reserve(columns * std::min<std::size_t>(lines_estimate * 11 / 10, 1u << 26));
        } else if (parsed.count != columns) {
            throw Error(where(name, line) + ": expected " + std::to_string(columns) +
                        " numbers as on line 1, found " +
                        (parsed.count == 0 ? std::string("none") : std::to_string(parsed.count)));
        }
        pos = end;
    }
    if (line == 0) {
        throw Error("\"" + name + "\" holds no data: the file is empty");
    }
    const auto rows = static_cast<Eigen::Index>(values.size() / columns);
    using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
    return Eigen::Map<const RowMajor>(values.data(), rows, static_cast<Eigen::Index>(columns));
}

std::optional<Eigen::MatrixXd> dload(const std::string& fname) {
    const std::optional<std::string> bytes = read_file_bytes(fname);
    if (!bytes) {
        return std::nullopt;
    }
    return table_from_text(*bytes, fname);
}

}  // namespace kelmar
