#include "platform/graphics/scripted_dialogs.hpp"
#include "platform/numeric/error.hpp"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(ScriptedDialogs, AnswersInOrderAndLogsWhatWasShown) {
    ScriptedDialogs dialogs;
    dialogs.answer_file("/data", "a.txt");
    dialogs.answer_cancel();
    const auto first = dialogs.open_file("*.*", "Enter file to Load?");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->folder, "/data/");
    EXPECT_EQ(first->path(), "/data/a.txt");
    EXPECT_EQ(dialogs.save_file("*.emf", "Enter File Name to Save as EMF"), std::nullopt);
    dialogs.message_box("Loaded Wirelist: w.txt \n,with 12 wires", "");
    dialogs.error_box("bad file", "Error");
    // A dialog without a scripted answer fails loudly instead of inventing one.
    EXPECT_THROW(dialogs.open_file("*.txt", "Enter file to Load?"), Error);

    const std::vector<ScriptedDialogs::Shown> expected = {
        {"open", "*.*", "Enter file to Load?", ""},
        {"save", "*.emf", "Enter File Name to Save as EMF", ""},
        {"message", "", "", "Loaded Wirelist: w.txt \n,with 12 wires"},
        {"error", "", "Error", "bad file"},
        {"open", "*.txt", "Enter file to Load?", ""}};
    EXPECT_EQ(dialogs.shown(), expected);
}

}  // namespace
}  // namespace kelmar
