#include "landmarks/mfload.hpp"
#include "platform/graphics/scripted_dialogs.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"

#include "support/scratch.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace kelmar {
namespace {

namespace fs = std::filesystem;

class MfloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "data");
        std::ofstream(root_ / "data" / "sample.txt") << "1 2 3 4\n5 6 7 8\n";
    }
    testing::ScratchFolder scratch_{true};
    fs::path root_ = scratch_.path();
    ScriptedDialogs dialogs_;
};

TEST_F(MfloadTest, ChosenFileIsReadAndItsFolderBecomesTheWorkingFolder) {
    dialogs_.answer_file((root_ / "data").string(), "sample.txt");
    dialogs_.answer_file((root_ / "data").string(), "sample.txt");
    const auto table = mfload(dialogs_);
    ASSERT_TRUE(table.has_value());
    ASSERT_TRUE(table->data.has_value());
    EXPECT_EQ(table->data->rows(), 2);
    EXPECT_EQ(table->name, "sample.txt");
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(root_ / "data"));

    ASSERT_TRUE(mfloadtxt(dialogs_).has_value());
    const std::vector<ScriptedDialogs::Shown> expected = {
        {"open", "*.*", "Enter file to Load?", ""}, {"open", "*.txt", "Enter file to Load?", ""}};
    EXPECT_EQ(dialogs_.shown(), expected);
}

TEST_F(MfloadTest, CancelReadsNothingAndKeepsTheFolder) {
    dialogs_.answer_cancel();
    EXPECT_EQ(mfload(dialogs_), std::nullopt);
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(root_));
}

TEST_F(MfloadTest, UnopenableFileIsReportedDistinctly) {
    dialogs_.answer_file((root_ / "data").string(), "gone.txt");
    const auto table = mfloadtxt(dialogs_);
    ASSERT_TRUE(table.has_value());
    EXPECT_FALSE(table->data.has_value());
    EXPECT_EQ(table->name, "gone.txt");
}

TEST_F(MfloadTest, MalformedFileRaisesBeforeTheFolderChanges) {
    std::ofstream(root_ / "data" / "bad.txt") << "1 2\n3\n";
    dialogs_.answer_file((root_ / "data").string(), "bad.txt");
    EXPECT_THROW(mfload(dialogs_), Error);
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(root_));
}

}  // namespace
}  // namespace kelmar
