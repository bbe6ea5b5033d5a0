#include "echo.hpp"

#include "format.hpp"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <vector>

namespace kelmar {
namespace {

// The one format shared by all elements of a real array, chosen from their magnitudes.
std::string element_format(std::span<const double> data) {
    bool all_whole = true;
    double largest = 0.0;
    for (double x : data) {
        if (!std::isfinite(x))
            continue;
        all_whole = all_whole && x == std::floor(x) && std::fabs(x) < 1e9;
        largest = std::max(largest, std::fabs(x));
    }
    if (all_whole)
        return "%d";
    if (largest < 1e5 && largest >= 1e-3)
        return "%.4f";
    return "%.4e";
}

void append_matrix(std::string& out, std::span<const double> data, std::size_t rows,
                   std::size_t cols, const std::string& format) {
    std::vector<std::string> cells(data.size());
    std::size_t width = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        cells[i] = format_text(format, {data[i]});
        width = std::max(width, cells[i].size());
    }
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < cols; ++c) {
            const std::string& cell = cells[c * rows + r];
            out.append(width + 3 - cell.size(), ' ');
            out += cell;
        }
        out += '\n';
    }
}

std::string summary(const Value& v) {
    if (v.is_text())
        return "'" + v.text() + "'";
    if (v.is_real() && v.numel() == 1)
        return format_text(element_format(v.reals()), {v});
    std::string text = v.describe();
    text.insert(text.begin(), '[');
    text += ']';
    return text;
}

}  // namespace

std::string echo_text(std::string_view name, const Value& value) {
    std::string out(name);
    out += " =\n\n";
    switch (value.kind()) {
        case ValueKind::Real: {
            if (value.empty()) {
                out += "     []\n";
                break;
            }
            const std::string format = element_format(value.reals());
            const Dims& dims = value.dims();
            const std::size_t page_size = dims[0] * dims[1];
            const std::size_t pages = value.numel() / page_size;
            for (std::size_t p = 0; p < pages; ++p) {
                if (pages > 1) {
                    out += "  page " + std::to_string(p + 1) + ":\n";
                }
                append_matrix(out, value.reals().subspan(p * page_size, page_size), dims[0],
                              dims[1], format);
            }
            break;
        }
        case ValueKind::Text:
            out += "    '" + value.text() + "'\n";
            break;
        case ValueKind::Cell:
            for (const Value& element : value.cells()) {
                out += "    {" + summary(element) + "}\n";
            }
            if (value.empty())
                out += "     {}\n";
            break;
        case ValueKind::Struct:
            for (const std::string& field : value.field_names()) {
                out += "    " + field + ": " + summary(value.field(field)) + "\n";
            }
            break;
    }
    out += '\n';
    return out;
}

namespace {
std::ostream* console_stream = nullptr;
WarningSink warning_sink;
}  // namespace

void warn(const std::string& text) {
    if (warning_sink) {
        warning_sink(text);
        return;
    }
    std::cerr << "Warning: " << text << std::endl;
}

WarningSink set_warning_sink(WarningSink sink) {
    std::swap(sink, warning_sink);
    return sink;
}

std::ostream& console() {
    return console_stream != nullptr ? *console_stream : std::cout;
}

void set_console(std::ostream* stream) {
    console_stream = stream;
}

void PrintTo(const Value& value, std::ostream* out) {
    *out << echo_text("value", value);
}

void echo_value(std::string_view name, const Value& value, std::ostream* out) {
    std::ostream& stream = out != nullptr ? *out : console();
    stream << echo_text(name, value) << std::flush;
}

}  // namespace kelmar
