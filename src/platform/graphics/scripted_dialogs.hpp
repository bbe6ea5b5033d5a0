// Dialogs answered from a script: a queue of file choices (or cancels) given in advance, and a
// log of every dialog shown with its kind, filter or title and text. For tests and batch use.
#pragma once

#include "dialogs.hpp"

#include <deque>
#include <vector>

namespace kelmar {

class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        std::string kind;    // "open", "save", "message" or "error"
        std::string filter;  // file dialogs only
        std::string title;
        std::string text;  // message and error boxes only
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    // The next file dialog chooses `folder` + `name` with the filter entry `filter` selected;
    // `folder` gets its trailing separator.
    void answer_file(std::string folder, std::string name, std::string filter = {});
    // The next file dialog is cancelled.
    void answer_cancel();

    // Raises an Error when no answer is queued, so a test that forgot one fails clearly.
    std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override;
    std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override;
    void message_box(std::string_view text, std::string_view title) override;
    void error_box(std::string_view text, std::string_view title) override;

    const std::vector<Shown>& shown() const { return shown_; }

  private:
    std::optional<FileChoice> next_answer(std::string_view kind, std::string_view filter,
                                          std::string_view title);

    std::deque<std::optional<FileChoice>> answers_;
    std::vector<Shown> shown_;
};

}  // namespace kelmar
