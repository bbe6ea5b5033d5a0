// The dialogs service with Qt: non-native file dialogs (so they behave alike everywhere) that
// start in the working folder, and message boxes.
#pragma once

#include "platform/graphics/dialogs.hpp"

namespace kelmar {

class QtDialogs : public Dialogs {
  public:
    std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override;
    std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override;
    void message_box(std::string_view text, std::string_view title) override;
    void error_box(std::string_view text, std::string_view title) override;
    // Without a window on screen nobody can answer: the answer is no.
    bool ask(std::string_view text, std::string_view title, std::string_view yes,
             std::string_view no) override;
};

}  // namespace kelmar
