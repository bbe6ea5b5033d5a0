// The dialogs service: open-file and save-file dialogs with a filter and a title that start in
// the working folder, a message box and an error box. The desktop program implements it with Qt
// dialogs; tests and batch use a scripted implementation.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelmar {

// A file the user chose: its name, and its folder ending with the path separator.
struct FileChoice {
    std::string name;
    std::string folder;
    std::string path() const { return folder + name; }
    friend bool operator==(const FileChoice&, const FileChoice&) = default;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Nothing when the user cancels.
    virtual std::optional<FileChoice> open_file(std::string_view filter,
                                                std::string_view title) = 0;
    virtual std::optional<FileChoice> save_file(std::string_view filter,
                                                std::string_view title) = 0;
    virtual void message_box(std::string_view text, std::string_view title) = 0;
    virtual void error_box(std::string_view text, std::string_view title) = 0;
};

// The process's dialogs: the Qt dialogs in the desktop program, scripted ones in tests. Raises an
// Error when none are installed.
Dialogs& dialogs();
// Installs `d` (nullptr removes it) and returns the previous one.
Dialogs* set_dialogs(Dialogs* d);

}  // namespace kelmar
