#include "landmarks/dload.hpp"
#include "platform/numeric/error.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kelmar {
namespace {

Eigen::MatrixXd read(std::string_view text) {
    return table_from_text(text, "t.txt");
}

Eigen::MatrixXd rows(std::initializer_list<std::initializer_list<double>> r) {
    Eigen::MatrixXd m(static_cast<Eigen::Index>(r.size()),
                      static_cast<Eigen::Index>(r.begin()->size()));
    Eigen::Index i = 0;
    for (const auto& row : r) {
        Eigen::Index j = 0;
        for (double v : row)
            m(i, j++) = v;
        ++i;
    }
    return m;
}

// The error message of reading `text`, or "" when it reads.
std::string error_of(std::string_view text) {
    return testing::error_of([&] { read(text); });
}

TEST(Dload, LinesBecomeRowsWhateverTheSeparators) {
    const Eigen::MatrixXd expected = rows({{1, 2, 3, 4}, {5, 6, 7, 8}});
    for (const char* text :
         {"1,2,3,4\n5\t6 7  8\n", "1 2 3 4\r\n5 6 7 8\r\n", "1 2 3 4\n5 6 7 8"}) {
        EXPECT_EQ(read(text), expected) << text;
    }
}

TEST(Dload, AOneCharacterLineEndsTheData) {
    EXPECT_EQ(read("1 2\n\n3 4\nnot read\n"), rows({{1, 2}}));
    EXPECT_EQ(read("1\n2"), rows({{1}}));         // a last line of one digit is not read
    EXPECT_EQ(read("1\n22"), rows({{1}, {22}}));  // two digits are a row
    EXPECT_EQ(read("7"), rows({{7}}));            // the first line is always read
    // An empty CRLF line is two characters long: it is read and holds no number.
    EXPECT_EQ(error_of("1 2\r\n\r\n3 4\r\n"),
              "\"t.txt\", line 2: expected 2 numbers as on line 1, found none");
}

TEST(Dload, BadLinesNameTheFileLineAndCounts) {
    EXPECT_EQ(error_of("1 2 3 4\n5 6 7\n"),
              "\"t.txt\", line 2: expected 4 numbers as on line 1, found 3");
    EXPECT_EQ(error_of("1 2\n3 4\n55"),
              "\"t.txt\", line 3: expected 2 numbers as on line 1, found 1");
    EXPECT_EQ(error_of("x1 y1 z1 CS\n1 2 3 4\n"),
              "\"t.txt\", line 1: cannot read \"x1\" as a number");
    EXPECT_EQ(error_of("\n1 2\n"), "\"t.txt\", line 1: the first line holds no number");
    EXPECT_EQ(error_of(""), "\"t.txt\" holds no data: the file is empty");
}

TEST(Dload, FilesAreReadAsTheyAreOrReportedUnopenable) {
    const testing::ScratchFolder folder;
    const auto file = folder / "two.txt";
    std::ofstream(file, std::ios::binary) << "1 2\n3\n";
    EXPECT_NE(testing::error_of([&] { dload(file.string()); }).find(file.string() + "\", line 2"),
              std::string::npos);
    EXPECT_EQ(dload((folder / "missing.txt").string()), std::nullopt);
}

}  // namespace
}  // namespace kelmar
