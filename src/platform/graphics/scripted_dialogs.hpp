// Dialogs answered from a script: a queue of file choices (or cancels) and one of answers to
// questions, given in advance, and a log of every dialog shown with its kind, filter or title and
// text. For tests and batch use.
#pragma once

#include "dialogs.hpp"

#include <deque>
#include <vector>

namespace kelmar {

class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        std::string kind;    // "open", "save", "message", "error" or "question"
        std::string filter;  // file dialogs only
        std::string title;
        std::string text;  // message and error boxes and questions only
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    // The next file dialog chooses `folder` + `name` with the filter entry `filter` selected;
    // `folder` gets its trailing separator.
    void answer_file(std::string folder, std::string name, std::string filter = {});
    // The next file dialog is cancelled.
    void answer_cancel();
    // The next question is answered yes (true) or no.
    void answer_question(bool yes) { questions_.push_back(yes); }

    // Raises an Error when no answer is queued, so a test that forgot one fails clearly.
    std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override;
    std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override;
    void message_box(std::string_view text, std::string_view title) override;
    void error_box(std::string_view text, std::string_view title) override;
    // Raises an Error when no answer is queued.
    bool ask(std::string_view text, std::string_view title, std::string_view yes,
             std::string_view no) override;

    const std::vector<Shown>& shown() const { return shown_; }

  private:
    std::optional<FileChoice> next_answer(std::string_view kind, std::string_view filter,
                                          std::string_view title);

    std::deque<std::optional<FileChoice>> answers_;
    std::deque<bool> questions_;
    std::vector<Shown> shown_;
};

}  // namespace kelmar
