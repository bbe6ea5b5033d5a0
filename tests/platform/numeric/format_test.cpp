#include "platform/numeric/format.hpp"
#include "platform/numeric/error.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kelmar {
namespace {

struct FormatCase {
    const char* label;
    const char* format;
    std::vector<Value> args;
    const char* expected;
};

// The system's own window, message-box and report texts, with the values they are shown with.
TEST(FormatText, SystemTexts) {
    const std::vector<FormatCase> cases = {
        {"load counts",
         R"(File: %s \n %3.0f Specimens \n %3.0f Landmarks)",
         {"a.txt", 20, 10},
         "File: a.txt \n  20 Specimens \n  10 Landmarks"},
        {"slash-n is not a line break",
         "Please Stand by../n Calculating ranges",
         {},
         "Please Stand by../n Calculating ranges"},
        {"between result",
         R"(Between Species: %3.1f \n Within Species 1: %3.1f \n Within Species 2: %3.1f \n %4.0f )"
         "Bootstraps ",
         {25.04, 7.26, 8.94, 100},
         "Between Species: 25.0 \n Within Species 1: 7.3 \n Within Species 2: 8.9 \n  100 "
         "Bootstraps "},
        {"common reference, no conversions",
         "Using Common Procrustes GLS Reference",
         {42},
         "Using Common Procrustes GLS Reference"},
        {"report range from one row",
         R"(Species 1:               %3.1f %3.1f   %3.1f \n)",
         {Value::row({6.14, 7.25, 8.36})},
         "Species 1:               6.1 7.2   8.4 \n"},
        {"report vector line", R"(%3.4f   %8.4f \n)", {0.123456, -0.5}, "0.1235    -0.5000 \n"},
        {"empty file name keeps the layout",
         R"(\nFirst Sample: \n %s \n)",
         {""},
         "\nFirst Sample: \n  \n"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(format_text(c.format, c.args), c.expected) << c.label;
    }
}

TEST(FormatText, FormatIsReusedUntilTheItemsAreUsedUp) {
    // Two 30-element columns given as a 2 x 30 matrix pair up element by element in column order.
    std::vector<double> pairs;
    for (int i = 0; i < 30; ++i) {
        pairs.push_back(i * 0.01);
        pairs.push_back(-i * 0.02);
    }
    const std::string text = format_text(R"(%3.4f   %8.4f \n)", {Value::real({2, 30}, pairs)});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 30);
    EXPECT_EQ(text.substr(0, 38), "0.0000     0.0000 \n0.0100    -0.0200 \n");

    // Separate arguments are consumed one after the other.
    EXPECT_EQ(format_text("%d, ", {Value::row({1, 2, 3})}), "1, 2, 3, ");
    // A pass stops at the first conversion without an item; literal text before it is written.
    EXPECT_EQ(format_text(R"(%d and %d\n)", {Value::row({1, 2, 3})}), "1 and 2\n3 and ");
    // Without any item the format is written once and its conversions write nothing.
    EXPECT_EQ(format_text(R"(abc %d def\n)"), "abc  def\n");
    // Empty arrays contribute no items; an empty text is one item.
    EXPECT_EQ(format_text("<%s>", {Value(), "", Value()}), "<>");
    EXPECT_EQ(format_text("%s|%d", {"", 5}), "|5");
}

TEST(FormatText, ConversionsFlagsAndEscapes) {
    const std::vector<FormatCase> cases = {
        {"negative star width", "%*d|", {-5, 42}, "42   |"},
        {"character code", "%c%c", {72, 105}, "Hi"},
        {"percent", "100%% sure", {}, "100% sure"},
        {"tab and backslash", "a\\tb\\\\c", {}, "a\tb\\c"},
        {"hex escape", "\\x41", {}, "A"},
        {"unknown escape stays", "\\q", {}, "\\q"},
        {"lone percent stays", "50%q off %", {}, "50%q off %"},
        {"length modifiers ignored", "%ld %lf", {3, 0.5}, "3 0.500000"},
        {"big whole number under %d", "%d", {1e20}, "100000000000000000000"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(format_text(c.format, c.args), c.expected) << c.label;
    }
}

// What the formats do with values that do not fit the conversion: never drop digits silently.
TEST(FormatText, MismatchedValuesAreWrittenInFull) {
    EXPECT_EQ(format_text("%d", {1.5}), "1.500000e+00");
    EXPECT_EQ(format_text("%x", {-1}), "-1.000000e+00");
    EXPECT_EQ(format_text("%s", {20}), "20");
    EXPECT_EQ(format_text("%s %s", {0.1, -2.5e-30}), "0.1 -2.5e-30");
    EXPECT_EQ(format_text("%d items", {"many"}), "many items");
    EXPECT_EQ(format_text("%6.1f", {"ab"}), "    ab");

    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(format_text("%5.1f|%-5.1f|%d|%+f", {inf, nan, -inf, inf}), "  Inf|NaN  |-Inf|+Inf");
    EXPECT_EQ(format_text("%s", {nan}), "NaN");
    EXPECT_THROW(format_text("%s", {Value::cell_row({"a"})}), Error);
    EXPECT_THROW(format_text("%d", {Value::structure()}), Error);
}

// Shortening counts characters, not bytes: a name of accented letters keeps as many characters
// as a plain one and is never cut inside a letter; the end, with the extension, keeps the larger
// half.
TEST(ShortenMiddle, CountsCharactersAndKeepsTheEnd) {
    EXPECT_EQ(character_count("crâne"), 5u);
    EXPECT_EQ(shorten_middle("short.txt", 9), "short.txt");
    EXPECT_EQ(shorten_middle("abcdefghij.txt", 9), "abc\u2026j.txt");
    const std::string shortened = shorten_middle("ééééééééééééé.txt", 9);
    EXPECT_EQ(character_count(shortened), 9u);
    EXPECT_EQ(shortened, "ééé\u2026é.txt");
    EXPECT_EQ(shorten_middle("abcdef", 1), "\u2026");
}

}  // namespace
}  // namespace kelmar
