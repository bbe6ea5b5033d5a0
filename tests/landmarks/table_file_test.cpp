#include "landmarks/table_file.hpp"
#include "platform/numeric/echo.hpp"
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

TEST(TableFile, LinesBecomeRowsWhateverTheSeparators) {
    const Eigen::MatrixXd expected = rows({{1, 2, 3, 4}, {5, 6, 7, 8}});
    for (const char* text :
         {"1,2,3,4\n5\t6 7  8\n", "1 2 3 4\r\n5 6 7 8\r\n", "1 2 3 4\n5 6 7 8"}) {
        EXPECT_EQ(read(text), expected) << text;
    }
}

// Reads `text`, collecting the warnings it gives.
Eigen::MatrixXd read_warned(std::string_view text, std::vector<std::string>& warnings) {
    const WarningSink previous =
        set_warning_sink([&](const std::string& w) { warnings.push_back(w); });
    Eigen::MatrixXd table;
    try {
        table = read(text);
    } catch (...) {
        set_warning_sink(previous);
        throw;
    }
    set_warning_sink(previous);
    return table;
}

TEST(TableFile, AOneCharacterOrBlankLineEndsTheDataAndSaysWhatWasLeft) {
    std::vector<std::string> warnings;
    EXPECT_EQ(read_warned("1 2\n\n3 4\nnot read\n\n", warnings), rows({{1, 2}}));
    EXPECT_EQ(read_warned("1\n2", warnings), rows({{1}}));  // a last line of one digit
    EXPECT_EQ(warnings,
              (std::vector<std::string>{
                  "\"t.txt\", line 2 is blank and ends the data; 2 non-blank lines were not read",
                  "\"t.txt\", line 2 is one character long and ends the data; 1 non-blank line "
                  "was not read"}));
    warnings.clear();
    EXPECT_EQ(read_warned("1\n22", warnings), rows({{1}, {22}}));  // two digits are a row
    EXPECT_EQ(read_warned("7", warnings), rows({{7}}));            // the first line is read
    EXPECT_EQ(read_warned("1 2\n3 4\n\n\n", warnings), rows({{1, 2}, {3, 4}}));
    // Blank lines with CRLF ends, or of blanks only, end the data as an empty line does.
    EXPECT_EQ(read_warned("1 2\r\n3 4\r\n\r\n \t\r\n", warnings), rows({{1, 2}, {3, 4}}));
    EXPECT_EQ(read_warned("1 2\n  \n5 6\n", warnings), rows({{1, 2}}));
    EXPECT_EQ(warnings.size(), 1u);
}

TEST(TableFile, EncodingsAndDecimalCommasAreRefusedNotMisread) {
    EXPECT_EQ(read("\xEF\xBB\xBF"
                   "1 2\n3 4\n"),
              rows({{1, 2}, {3, 4}}));  // UTF-8 mark
    EXPECT_NE(error_of(std::string_view("\xFF\xFE"
                                        "1\0 \0"
                                        "2\0",
                                        8))
                  .find("UTF-16"),
              std::string::npos);
    EXPECT_NE(error_of(std::string_view("1\0 \0"
                                        "2\0\n\0",
                                        8))
                  .find("UTF-16"),
              std::string::npos);
    EXPECT_NE(error_of("1 2\r3 4\r5 6\r").find("carriage returns alone"), std::string::npos);
    EXPECT_EQ(read("1 2 3\r"), rows({{1, 2, 3}}));
    // "34,828 16,508" would be four numbers; a comma-separated table is still read.
    for (const char* text :
         {"34,828 16,508 21,3 1,5\n", "1 2 3 4\n34,8 16,5 21,3 1,5\n", "1,5 2,5\n"}) {
        EXPECT_NE(error_of(text).find("decimal commas"), std::string::npos) << text;
    }
    EXPECT_EQ(read("1,2,3,4\n5, 6, 7, 8\n"), rows({{1, 2, 3, 4}, {5, 6, 7, 8}}));
    // Control characters are shown escaped, and the message goes on after them; a NUL byte
    // means the file is no text at all (a device such as /dev/zero is refused at once).
    EXPECT_EQ(error_of("1 a\x1b[31m 2\n"),
              "\"t.txt\", line 1: cannot read \"a\\x1b[31m\" as a number");
    EXPECT_EQ(error_of(std::string_view("1 a\0\x1b[31m 2\n", 13)),
              "\"t.txt\" is not a text file: it holds a NUL byte (byte 4)");
    EXPECT_EQ(testing::error_of([] { read_table_file("/dev/zero"); }),
              "\"/dev/zero\" is not a text file: it holds a NUL byte (byte 1)");
}

TEST(TableFile, BadLinesNameTheFileLineAndCounts) {
    EXPECT_EQ(error_of("1 2 3 4\n5 6 7\n"),
              "\"t.txt\", line 2: expected 4 numbers as on line 1, found 3");
    EXPECT_EQ(error_of("1 2\n3 4\n55"),
              "\"t.txt\", line 3: expected 2 numbers as on line 1, found 1");
    EXPECT_EQ(error_of("x1 y1 z1 CS\n1 2 3 4\n"),
              "\"t.txt\", line 1: cannot read \"x1\" as a number");
    EXPECT_EQ(error_of("\n1 2\n"), "\"t.txt\", line 1: the first line holds no number");
    EXPECT_EQ(error_of(""), "\"t.txt\" holds no data: the file is empty");
}

TEST(TableFile, FilesAreReadAsTheyAreOrReportedUnopenable) {
    const testing::ScratchFolder folder;
    const auto file = folder / "two.txt";
    std::ofstream(file, std::ios::binary) << "1 2\n3\n";
    EXPECT_NE(testing::error_of([&] {
                  read_table_file(file.string());
              }).find(file.string() + "\", line 2"),
              std::string::npos);
    EXPECT_EQ(read_table_file((folder / "missing.txt").string()), std::nullopt);
    EXPECT_EQ(read_table_file(folder.path().string()), std::nullopt);  // a folder is not a table
}

}  // namespace
}  // namespace kelmar
