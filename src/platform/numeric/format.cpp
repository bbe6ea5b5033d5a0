#include "format.hpp"

#include "error.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <variant>
#include <vector>

namespace kelmar {
namespace {

constexpr int kUnset = -1;
constexpr int kFromArgument = -2;  // '*' in the format

struct Conversion {
    std::string flags;
    int width = kUnset;
    int precision = kUnset;
    char type = 's';
};

using Segment = std::variant<std::string, Conversion>;

// One argument item: a number or a whole text.
struct Item {
    bool is_text = false;
    double number = 0.0;
    std::string_view text;
};

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Translates the escape starting at format[i] (a backslash) and returns the index after it.
std::size_t append_escape(std::string_view format, std::size_t i, std::string& out) {
    if (i + 1 >= format.size()) {
        out += '\\';
        return i + 1;
    }
    const char c = format[i + 1];
    switch (c) {
        case 'n':
            out += '\n';
            return i + 2;
        case 't':
            out += '\t';
            return i + 2;
        case 'r':
            out += '\r';
            return i + 2;
        case 'a':
            out += '\a';
            return i + 2;
        case 'b':
            out += '\b';
            return i + 2;
        case 'f':
            out += '\f';
            return i + 2;
        case 'v':
            out += '\v';
            return i + 2;
        case '\\':
            out += '\\';
            return i + 2;
        default:
            break;
    }
    if (c == 'x') {
        std::size_t j = i + 2;
        unsigned long code = 0;
        while (j < format.size() && j < i + 4 && hex_digit(format[j]) >= 0) {
            code = code * 16 + static_cast<unsigned long>(hex_digit(format[j]));
            ++j;
        }
        if (j > i + 2) {
            append_utf8(out, code);
            return j;
        }
    } else if (c >= '0' && c <= '7') {
        std::size_t j = i + 1;
        unsigned long code = 0;
        while (j < format.size() && j < i + 4 && format[j] >= '0' && format[j] <= '7') {
            code = code * 8 + static_cast<unsigned long>(format[j] - '0');
            ++j;
        }
        append_utf8(out, code);
        return j;
    }
    // Not an escape we know: both characters stay as written.
    out += '\\';
    out += c;
    return i + 2;
}

bool is_conversion_type(char c) {
    constexpr std::string_view types = "sdiuxXofFeEgGc";
    return types.find(c) != std::string_view::npos;
}

// Parses "%[flags][width][.precision]type" starting at format[i] == '%'. Returns the index after
// it, or i when no valid conversion starts there.
std::size_t parse_conversion(std::string_view format, std::size_t i, Conversion& conv) {
    std::size_t j = i + 1;
    while (j < format.size() &&
           std::string_view("-+ 0#").find(format[j]) != std::string_view::npos) {
        conv.flags += format[j++];
    }
    auto parse_count = [&](int& target) {
        if (j < format.size() && format[j] == '*') {
            target = kFromArgument;
            ++j;
            return;
        }
        int value = kUnset;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
            value = (value == kUnset ? 0 : value) * 10 + (format[j] - '0');
            if (value > 100000)
                return;  // absurd widths are not conversions
            ++j;
        }
        target = value;
    };
    parse_count(conv.width);
    if (j < format.size() && format[j] == '.') {
        ++j;
        parse_count(conv.precision);
        if (conv.precision == kUnset)
            conv.precision = 0;
    }
    // Length modifiers of C formats carry no meaning for double data; accept and ignore them.
    while (j < format.size() &&
           std::string_view("hlLqjzt").find(format[j]) != std::string_view::npos) {
        ++j;
    }
    if (j >= format.size() || !is_conversion_type(format[j])) {
        return i;
    }
    conv.type = format[j];
    return j + 1;
}

std::vector<Segment> parse_format(std::string_view format) {
    std::vector<Segment> segments;
    std::string literal;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '\\') {
            i = append_escape(format, i, literal);
        } else if (c == '%') {
            if (i + 1 < format.size() && format[i + 1] == '%') {
                literal += '%';
                i += 2;
                continue;
            }
            Conversion conv;
            const std::size_t next = parse_conversion(format, i, conv);
            if (next == i) {
                literal += '%';
                ++i;
                continue;
            }
            if (!literal.empty())
                segments.emplace_back(std::move(literal));
            literal.clear();
            segments.emplace_back(std::move(conv));
            i = next;
        } else {
            literal += c;
            ++i;
        }
    }
    if (!literal.empty())
        segments.emplace_back(std::move(literal));
    return segments;
}

std::vector<Item> flatten(std::span<const Value> args) {
    std::vector<Item> items;
    for (const Value& v : args) {
        switch (v.kind()) {
            case ValueKind::Real:
                for (double x : v.reals())
                    items.push_back({false, x, {}});
                break;
            case ValueKind::Text:
                items.push_back({true, 0.0, v.text()});
                break;
            case ValueKind::Cell:
            case ValueKind::Struct:
                throw Error("formatted text cannot take a " + v.describe() +
                            " argument; give numbers or text");
        }
    }
    return items;
}

void pad(std::string& out, std::string_view body, const Conversion& conv) {
    const std::size_t width = conv.width > 0 ? static_cast<std::size_t>(conv.width) : 0;
    const bool left = conv.flags.find('-') != std::string::npos;
    const std::size_t fill = body.size() < width ? width - body.size() : 0;
    if (!left)
        out.append(fill, ' ');
    out += body;
    if (left)
        out.append(fill, ' ');
}

void append_text(std::string& out, std::string_view text, const Conversion& conv) {
    if (conv.type == 's' && conv.precision >= 0 &&
        static_cast<std::size_t>(conv.precision) < text.size()) {
        text = text.substr(0, static_cast<std::size_t>(conv.precision));
    }
    pad(out, text, conv);
}

void append_non_finite(std::string& out, double x, const Conversion& conv) {
    std::string body;
    if (std::isnan(x)) {
        body = "NaN";
    } else {
        body = x < 0 ? "-Inf" : (conv.flags.find('+') != std::string::npos ? "+Inf" : "Inf");
    }
    pad(out, body, conv);
}

// Formats through the C library with the conversion's flags, width and precision.
template <typename T>
void append_printf(std::string& out, const Conversion& conv, const char* length, char type,
                   T value) {
    std::string c_format(1, '%');
    c_format += conv.flags;
    if (conv.width >= 0)
        c_format += std::to_string(conv.width);
    if (conv.precision >= 0) {
        c_format += '.';
        c_format += std::to_string(conv.precision);
    }
    c_format += length;
    c_format += type;
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, c_format.c_str(), value);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), c_format.c_str(), value);
    big.resize(static_cast<std::size_t>(n));
    out += big;
}

void append_number(std::string& out, double x, const Conversion& conv) {
    const char type = conv.type;
    if (type == 's') {
        append_text(out, shortest_text(x), conv);
        return;
    }
    if (!std::isfinite(x)) {
        append_non_finite(out, x, conv);
        return;
    }
    const bool whole = x == std::floor(x);
    constexpr double kInt64Limit = 9223372036854775808.0;  // 2^63
    switch (type) {
        case 'c':
            if (whole && x >= 0 && x <= 0x10FFFF) {
                std::string ch;
                append_utf8(ch, static_cast<unsigned long>(x));
                pad(out, ch, conv);
            } else {
                append_printf(out, conv, "", 'e', x);
            }
            return;
        case 'd':
        case 'i':
        case 'u':
            if (!whole) {
                append_printf(out, conv, "", 'e', x);
            } else if (std::fabs(x) < kInt64Limit) {
                append_printf(out, conv, "ll", 'd', static_cast<long long>(x));
            } else {
                Conversion whole_conv = conv;
                whole_conv.precision = 0;
                append_printf(out, whole_conv, "", 'f', x);
            }
            return;
        case 'x':
        case 'X':
        case 'o':
            if (whole && x >= 0 && x < 2 * kInt64Limit) {
                append_printf(out, conv, "ll", type, static_cast<unsigned long long>(x));
            } else {
                append_printf(out, conv, "", 'e', x);
            }
            return;
        default:
            append_printf(out, conv, "", type, x);
    }
}

}  // namespace

std::string shortest_text(double x) {
    if (std::isnan(x))
        return "NaN";
    if (std::isinf(x))
        return x < 0 ? "-Inf" : "Inf";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, result.ptr);
}

std::string format_text(std::string_view format, std::span<const Value> args) {
    const std::vector<Segment> segments = parse_format(format);
    const std::vector<Item> items = flatten(args);
    bool has_conversion = false;
    for (const Segment& s : segments) {
        has_conversion = has_conversion || std::holds_alternative<Conversion>(s);
    }

    std::string out;
    if (!has_conversion || items.empty()) {
        for (const Segment& s : segments) {
            if (const auto* literal = std::get_if<std::string>(&s))
                out += *literal;
        }
        return out;
    }

    std::size_t next = 0;
    while (next < items.size()) {
        for (const Segment& s : segments) {
            if (const auto* literal = std::get_if<std::string>(&s)) {
                out += *literal;
                continue;
            }
            Conversion conv = std::get<Conversion>(s);
            // '*' takes the width or precision from the next item; a pass ends when an item is
            // needed and none is left.
            auto take_count = [&](int& target, bool is_width) {
                if (target != kFromArgument)
                    return true;
                if (next >= items.size())
                    return false;
                const Item& item = items[next++];
                const double limit = 100000.0;
                double n = item.is_text || std::isnan(item.number) ? -1.0 : item.number;
                n = std::max(-limit, std::min(limit, n));
                if (is_width && n < 0) {
                    conv.flags += '-';  // a negative width from the arguments left-justifies
                    n = -n;
                }
                target = n < 0 ? kUnset : static_cast<int>(n);
                return true;
            };
            if (!take_count(conv.width, true) || !take_count(conv.precision, false) ||
                next >= items.size()) {
                return out;
            }
            const Item& item = items[next++];
            if (item.is_text) {
                append_text(out, item.text, conv);
            } else {
                append_number(out, item.number, conv);
            }
        }
    }
    return out;
}

std::size_t format_to_file(std::FILE* file, std::string_view format, std::span<const Value> args) {
    if (file == nullptr) {
        throw Error("cannot write formatted text: the file is not open");
    }
    const std::string text = format_text(format, args);
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        throw Error("writing to the file failed (disk full or file closed?)");
    }
    return text.size();
}

std::size_t character_count(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string shorten_middle(std::string_view utf8, std::size_t longest) {
    const std::size_t characters = character_count(utf8);
    if (characters <= longest)
        return std::string(utf8);
    // The byte where character `n` starts.
    const auto start_of = [&](std::size_t n) {
        std::size_t seen = 0;
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && seen++ == n)
                return i;
        }
        return utf8.size();
    };
    const std::size_t kept = longest > 1 ? longest - 1 : 0;   // one character is the ellipsis
    const std::size_t tail = std::min(kept, (kept + 2) / 2);  // the end a little longer
    const std::size_t head = kept - tail;
    return std::string(utf8.substr(0, start_of(head))) + "\u2026" +
           std::string(utf8.substr(start_of(characters - tail)));
}

}  // namespace kelmar
