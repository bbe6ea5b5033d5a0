#include "scripted_dialogs.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/paths.hpp"

namespace kelmar {

void ScriptedDialogs::answer_file(std::string folder, std::string name, std::string filter) {
    answers_.push_back(
        FileChoice{std::move(name), with_trailing_separator(folder), std::move(filter)});
}

void ScriptedDialogs::answer_cancel() {
    answers_.emplace_back(std::nullopt);
}

std::optional<FileChoice> ScriptedDialogs::next_answer(std::string_view kind,
                                                       std::string_view filter,
                                                       std::string_view title) {
    shown_.push_back({std::string(kind), std::string(filter), std::string(title), {}});
    if (answers_.empty()) {
        throw Error("a " + std::string(kind) + " file dialog \"" + std::string(title) +
                    "\" was shown but no answer was scripted");
    }
    std::optional<FileChoice> answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer)
        remember_folder(answer->folder);
    return answer;
}

std::optional<FileChoice> ScriptedDialogs::open_file(std::string_view filter,
                                                     std::string_view title) {
    return next_answer("open", filter, title);
}

std::optional<FileChoice> ScriptedDialogs::save_file(std::string_view filter,
                                                     std::string_view title) {
    return next_answer("save", filter, title);
}

void ScriptedDialogs::message_box(std::string_view text, std::string_view title) {
    shown_.push_back({"message", {}, std::string(title), std::string(text)});
}

void ScriptedDialogs::error_box(std::string_view text, std::string_view title) {
    shown_.push_back({"error", {}, std::string(title), std::string(text)});
}

bool ScriptedDialogs::ask(std::string_view text, std::string_view title, std::string_view,
                          std::string_view) {
    shown_.push_back({"question", {}, std::string(title), std::string(text)});
    if (questions_.empty()) {
        std::string message = "the question \"";
        message += title;
        message += "\" was asked but no answer was scripted";
        throw Error(message);
    }
    const bool yes = questions_.front();
    questions_.pop_front();
    return yes;
}

}  // namespace kelmar
