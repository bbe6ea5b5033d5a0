#include "platform/numeric/text_to_numbers.hpp"
#include "platform/numeric/error.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kelmar {
namespace {

using Numbers = std::vector<double>;

TEST(TextToNumbers, SeparatorsAreInterchangeable) {
    const Numbers expected = {1, 2, 3, 4};
    for (const char* text : {"1 2 3 4", "1,2,3,4", "1\t2\t3\t4", "1    2  3 4", "1 2 3 4\n",
                             "1 2 3 4\r\n", "  1, 2 ,\t3,,4 ,\r\n", "1\r2\n3\r\n4"}) {
        EXPECT_EQ(parse_numbers(text), expected) << '"' << text << '"';
    }
    EXPECT_TRUE(parse_numbers("").empty());
    EXPECT_TRUE(parse_numbers(" \t,\r\n").empty());
}

TEST(TextToNumbers, SignsPointsExponentsAndSpecialValues) {
    const Numbers got = parse_numbers("-1.5 +4 .5 5. 1e3 -2.5E-2 1e+2 0007 -0");
    const Numbers expected = {-1.5, 4, 0.5, 5, 1000, -0.025, 100, 7, -0.0};
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(std::signbit(got.back()));

    const Numbers special = parse_numbers("-inf +INF Infinity nan");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Numbers(special.begin(), special.begin() + 3), (Numbers{-inf, inf, inf}));
    EXPECT_TRUE(std::isnan(special[3]));
}

TEST(TextToNumbers, ConversionIsExactlyRounded) {
    // Beyond the fast path: many digits, large and tiny exponents, overflow and underflow.
    EXPECT_EQ(parse_numbers("0.1000000000000000055511151231257827")[0], 0.1);
    EXPECT_EQ(parse_numbers("0.000000000000000000000000000001")[0], 1e-30);
    EXPECT_EQ(parse_numbers("9007199254740993")[0], 9007199254740992.0);
    EXPECT_EQ(parse_numbers("4.9e-324")[0], std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(parse_numbers("1e400")[0], std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_numbers("-1e-400")[0], 0.0);

    // Every double written with 17 significant digits reads back as itself.
    std::mt19937_64 bits(20261206);
    std::string text;
    Numbers written;
    for (int i = 0; i < 20000; ++i) {
        double x;
        do {
            const std::uint64_t b = bits();
            std::memcpy(&x, &b, sizeof x);
        } while (!std::isfinite(x));
        written.push_back(x);
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, i % 2 ? "%.17g " : "%.17e,", x);
        text += buffer;
    }
    EXPECT_EQ(parse_numbers(text), written);
}

TEST(TextToNumbers, GarbageIsNamed) {
    struct Bad {
        const char* text;
        const char* token;
        std::size_t offset;
        std::size_t count_before;
    };
    for (const Bad& bad :
         {Bad{"1 2 abc 4", "abc", 4, 2}, Bad{"1.2.3", "1.2.3", 0, 0}, Bad{"5 1e", "1e", 2, 1},
          Bad{"1-2", "1-2", 0, 0}, Bad{"3 +", "+", 2, 1}, Bad{"7 infinite", "infinite", 2, 1}}) {
        Numbers out;
        const NumbersParsed parsed = parse_numbers_into(bad.text, out);
        EXPECT_FALSE(parsed.ok) << bad.text;
        EXPECT_EQ(parsed.bad_text, bad.token) << bad.text;
        EXPECT_EQ(parsed.bad_offset, bad.offset) << bad.text;
        EXPECT_EQ(parsed.count, bad.count_before) << bad.text;
    }
    EXPECT_THROW(parse_numbers("1 2 abc"), Error);
    const std::string long_token(100, 'z');
    EXPECT_EQ(not_a_number_message(long_token),
              "cannot read \"" + std::string(40, 'z') + "...\" as a number");
}

}  // namespace
}  // namespace kelmar
