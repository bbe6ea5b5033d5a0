// The dialogs service: open-file and save-file dialogs with a filter and a title that start in
// the folder of the file last chosen in one (the working folder before any; the process's working
// folder itself never changes), a message box, an error box and a question with two answers. The
// desktop program implements it with Qt dialogs; tests and batch use a scripted implementation.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelmar {

// A file the user chose: its name, and its folder ending with the path separator.
struct FileChoice {
    std::string name;
    std::string folder;
    std::string filter;  // the filter entry selected when the file was chosen ("" unknown)
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
    // A question with two answers: true when the user takes `yes`, false for `no` or a closed box.
    virtual bool ask(std::string_view text, std::string_view title, std::string_view yes,
                     std::string_view no) = 0;

    // The folder the next file dialog starts in, ending with the path separator.
    std::string start_folder() const;
    // Makes `folder` the next file dialogs' starting folder; implementations call it with every
    // file chosen.
    void remember_folder(const std::string& folder) { last_folder_ = folder; }

  private:
    std::string last_folder_;
};

}  // namespace kelmar
