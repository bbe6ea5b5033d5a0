#include "text_to_numbers.hpp"

#include "error.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace kelmar {
namespace {

constexpr auto kSeparators = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {' ', ',', '\t', '\n', '\r'})
        table[c] = true;
    return table;
}();

constexpr bool is_separator(char c) {
    return kSeparators[static_cast<unsigned char>(c)];
}

constexpr bool is_digit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool equals_ignoring_case(std::string_view text, std::string_view lower_word) {
    if (text.size() != lower_word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower_word[i])
            return false;
    }
    return true;
}

// Exact conversion of a syntactically valid decimal token (sign included) for the cases the fast
// path cannot take: many digits or large exponents.
double slow_convert(const char* begin, const char* end) {
    if (*begin == '+')
        ++begin;
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc())
        return value;
    // Out of range: strtod gives the overflowed infinity or the underflowed zero with its sign.
    std::string copy(begin, end);
    return std::strtod(copy.c_str(), nullptr);
}

// Reads one number starting at `p` (not a separator). Returns the end of the token, or nullptr
// when the token is not a number.
const char* read_number(const char* p, const char* end, double& value) {
    const char* const start = p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (p < end && !is_digit(*p) && *p != '.') {
        const char* word_end = p;
        while (word_end < end && !is_separator(*word_end))
            ++word_end;
        const std::string_view word(p, static_cast<std::size_t>(word_end - p));
        if (equals_ignoring_case(word, "inf") || equals_ignoring_case(word, "infinity")) {
            value = negative ? -std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::infinity();
            return word_end;
        }
        if (equals_ignoring_case(word, "nan")) {
            value = std::numeric_limits<double>::quiet_NaN();
            return word_end;
        }
        return nullptr;
    }

    // Accumulate every digit; the mantissa is only used when there are at most 19 of them, so
    // wrap-around on longer digit strings is harmless (they take the slow path).
    std::uint64_t mantissa = 0;
    const char* const integer_start = p;
    while (p < end && is_digit(*p)) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    int digits = static_cast<int>(p - integer_start);
    int exponent = 0;
    if (p < end && *p == '.') {
        ++p;
        const char* const fraction_start = p;
        while (p < end && is_digit(*p)) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        const int fraction_digits = static_cast<int>(p - fraction_start);
        digits += fraction_digits;
        exponent = -fraction_digits;
    }
    if (digits == 0)
        return nullptr;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool exp_negative = false;
        if (p < end && (*p == '+' || *p == '-')) {
            exp_negative = *p == '-';
            ++p;
        }
        if (p >= end || !is_digit(*p))
            return nullptr;
        int written = 0;
        while (p < end && is_digit(*p)) {
            if (written < 100000)
                written = written * 10 + (*p - '0');
            ++p;
        }
        exponent += exp_negative ? -written : written;
    }
    if (p < end && !is_separator(*p))
        return nullptr;

    // Clinger's fast path: an exact mantissa below 2^53 and an exactly representable power of ten
    // give the correctly rounded result in one multiplication or division.
    if (digits <= 19 && mantissa <= (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
        const double m = static_cast<double>(mantissa);
        value = exponent >= 0 ? m * kPowersOfTen[exponent] : m / kPowersOfTen[-exponent];
        if (negative)
            value = -value;
        return p;
    }
    if (digits <= 19 && mantissa == 0) {
        value = negative ? -0.0 : 0.0;
        return p;
    }
    value = slow_convert(start, p);
    return p;
}

}  // namespace

NumbersParsed parse_numbers_into(std::string_view text, std::vector<double>& out) {
    NumbersParsed result;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (true) {
        while (p < end && is_separator(*p))
            ++p;
        if (p >= end)
            break;
        double value = 0.0;
        const char* token_end = read_number(p, end, value);
        if (token_end == nullptr) {
            const char* bad_end = p;
            while (bad_end < end && !is_separator(*bad_end))
                ++bad_end;
            result.ok = false;
            result.bad_text = std::string_view(p, static_cast<std::size_t>(bad_end - p));
            result.bad_offset = static_cast<std::size_t>(p - text.data());
            return result;
        }
        out.push_back(value);
        ++result.count;
        p = token_end;
    }
    return result;
}

std::vector<double> parse_numbers(std::string_view text) {
    std::vector<double> numbers;
    const NumbersParsed parsed = parse_numbers_into(text, numbers);
    if (!parsed.ok) {
        throw Error(not_a_number_message(parsed.bad_text));
    }
    return numbers;
}

std::string not_a_number_message(std::string_view bad_text) {
    constexpr std::size_t kShown = 40;
    std::string shown = printable(bad_text.substr(0, kShown));
    if (bad_text.size() > kShown)
        shown += "...";
    return "cannot read \"" + shown + "\" as a number";
}

}  // namespace kelmar
