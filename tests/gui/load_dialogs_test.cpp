#include "gui/load_dialogs.hpp"
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

class LoadDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "data");
        std::ofstream(root_ / "data" / "sample.txt") << "1 2 3 4\n5 6 7 8\n";
    }
    testing::ScratchFolder scratch_{true};
    fs::path root_ = scratch_.path();
    ScriptedDialogs dialogs_;
};

// The chosen file is read; the next dialog starts in its folder, and the process's working
// folder never changes.
TEST_F(LoadDialogsTest, ChosenFileIsReadAndItsFolderIsRemembered) {
    EXPECT_EQ(fs::path(dialogs_.start_folder()), fs::path(current_folder()) / "");
    dialogs_.answer_cancel();
    EXPECT_EQ(choose_table(dialogs_), std::nullopt);
    std::ofstream(root_ / "data" / "bad.txt") << "1 2\n3\n";
    dialogs_.answer_file((root_ / "data").string(), "bad.txt");
    EXPECT_THROW(choose_table(dialogs_), Error);

    dialogs_.answer_file((root_ / "data").string(), "sample.txt");
    const auto table = choose_table(dialogs_);
    ASSERT_TRUE(table.has_value() && table->data.has_value());
    EXPECT_EQ(table->data->rows(), 2);
    EXPECT_EQ(table->name, "sample.txt");
    EXPECT_EQ(fs::path(current_folder()), fs::canonical(root_));
    EXPECT_EQ(dialogs_.start_folder(), (root_ / "data").string() + "/");

    // A file that cannot be opened is reported apart from a cancel.
    dialogs_.answer_file((root_ / "data").string(), "gone.txt");
    const auto gone = choose_text_table(dialogs_);
    ASSERT_TRUE(gone.has_value());
    EXPECT_FALSE(gone->data.has_value());
    EXPECT_EQ(dialogs_.shown().back(),
              (ScriptedDialogs::Shown{"open", "*.txt", "Enter file to Load?", ""}));
    EXPECT_EQ(dialogs_.shown().front().filter, "*.*");
}

// The window loads one sample a file: a file that records several is refused, not pooled.
TEST_F(LoadDialogsTest, FileOfSeveralSamplesIsRefused) {
    std::ofstream(root_ / "data" / "two.csv")
        << "name,sample,x1,y1,z1,x2,y2,z2\na,1,0,0,0,1,0,0\nb,2,0,0,0,0,2,0\n";
    dialogs_.answer_file((root_ / "data").string(), "two.csv");
    try {
        choose_landmark_sample(dialogs_);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\"two.csv\" holds 2 samples"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace kelmar
