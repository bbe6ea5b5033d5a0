#include "program.hpp"

#include "display/by_name.hpp"
#include "growth/by_name.hpp"
#include "gui/by_name.hpp"
#include "landmarks/by_name.hpp"
#include "launcher.hpp"
#include "platform/graphics/callback.hpp"
#include "platform/graphics/dialogs.hpp"
#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/qt/qt_app.hpp"
#include "platform/qt/qt_dialogs.hpp"
#include "platform/qt/qt_view.hpp"
#include "superimpose/by_name.hpp"
#include "switchyard/kelmarsw.hpp"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

namespace kelmar {
namespace {

// What the graphics library holds while it runs: the Qt view of the model and the dialogs.
struct GraphicsLibrary {
    std::unique_ptr<QtView> view;
    std::unique_ptr<QtDialogs> dialogs;
    Dialogs* previous_dialogs = nullptr;
    CallByNameHook previous_call;
};

}  // namespace

const std::vector<std::string>& function_names() {
    static const std::vector<std::string> names = {"kelmar6",     "kelmarsw",
                                                   "guidata",     "guihandles",
                                                   "openfig",     "anglerbr",
                                                   "getpproc3",   "getpprocon3",
                                                   "growvecn",    "growvector3",
                                                   "mfload",      "mfloadtxt",
                                                   "pcaref3d",    "rotate3da",
                                                   "sanglerbr",   "shapegrown",
                                                   "showshape3D", "vertxy3D",
                                                   "wire3d",      "xyzfromvert3",
                                                   "isvarname",   "movegui",
                                                   "growveceq",   "sortsize",
                                                   "centsize3Da", "partialprocrustes3a",
                                                   "dload",       "shapegrow",
                                                   "x1y1z1",      "iskeyword",
                                                   "svdrot2"};
    return names;
}

// The rows of every subsystem, put in table order.
std::vector<FunctionRow> Program::rows_in_table_order() {
    const auto dialogs = [this]() -> Dialogs& { return this->dialogs(); };
    std::vector<FunctionRow> all;
    all.push_back(launcher_function(table_, graphics_, dialogs, console_, errors_told_));
    all.push_back(switchyard_function({graphics_, dialogs, session_, console_}));
    for (auto list : {gui_functions(graphics_), growth_functions([this]() -> RandomStream& {
                          return session_.random_stream();
                      }),
                      superimposition_functions(), landmark_functions(),
                      file_dialog_functions(dialogs), display_functions(graphics_)}) {
        for (FunctionRow& r : list)
            all.push_back(std::move(r));
    }
    std::vector<FunctionRow> ordered;
    for (const std::string& name : function_names()) {
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const FunctionRow& r) { return r.name == name; });
        if (it == all.end())
            throw Error("the function table has no row for " + in_quotes(name));
        ordered.push_back(std::move(*it));
    }
    return ordered;
}

Dialogs& Program::dialogs() {
    if (dialogs_ == nullptr)
        throw Error("no dialogs are available: the program has no window system");
    return *dialogs_;
}

Dialogs* Program::set_dialogs(Dialogs* d) {
    std::swap(d, dialogs_);
    return d;
}

Program::Program(std::ostream& console) : console_(console), table_(rows_in_table_order()) {
    auto warnings = std::make_shared<WarningSink>();
    init_term_.push_back({"numericlib",
                          [this, warnings] {
                              *warnings = set_warning_sink([this](const std::string& text) {
                                  console_ << "Warning: " << text << std::endl;
                              });
                              set_console(&console_);
                          },
                          [warnings] {
                              set_warning_sink(*warnings);
                              set_console(nullptr);
                          }});
    auto library = std::make_shared<GraphicsLibrary>();
    init_term_.push_back({"graphicslib",
                          [this, library] {
                              ensure_qt_application();
                              library->view = std::make_unique<QtView>(graphics_);
                              library->dialogs = std::make_unique<QtDialogs>();
                              library->previous_dialogs = set_dialogs(library->dialogs.get());
                              // Controls' callbacks are calls by name through the table.
                              library->previous_call = graphics_.set_call_by_name(
                                  [this](const std::string& name, const std::vector<Value>& args) {
                                      table_.call(name, 0, args);
                                  });
                          },
                          [this, library] {
                              for (Handle f : graphics_.figures())
                                  graphics_.close(f);
                              graphics_.set_call_by_name(library->previous_call);
                              set_dialogs(library->previous_dialogs);
                              library->view.reset();
                              library->dialogs.reset();
                          }});
    for (std::size_t i = 0; i < table_.size(); ++i) {
        init_term_.push_back({table_.row(i).name, [this, i] { table_.initialise(i); },
                              [this, i] { table_.terminate(i); }});
    }
    info_ = {1, static_cast<int>(table_.size()),     &table_,    0,
             0, static_cast<int>(init_term_.size()), &init_term_};
}

namespace {

// The dialogs that answer the next open-file dialog with one given file, and leave everything
// else to the process's dialogs.
class OpenOnce final : public Dialogs {
  public:
    OpenOnce(Dialogs& others, const std::string& file) : others_(others) {
        const std::filesystem::path path = std::filesystem::absolute(file);
        choice_ = FileChoice{path.filename().string(), path.parent_path().string() + "/", {}};
    }
    std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override {
        if (choice_) {
            std::optional<FileChoice> chosen = std::move(choice_);
            choice_.reset();
            others_.remember_folder(chosen->folder);
            return chosen;
        }
        return others_.open_file(filter, title);
    }
    std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override {
        return others_.save_file(filter, title);
    }
    void message_box(std::string_view text, std::string_view title) override {
        others_.message_box(text, title);
    }
    void error_box(std::string_view text, std::string_view title) override {
        others_.error_box(text, title);
    }
    bool ask(std::string_view text, std::string_view title, std::string_view yes,
             std::string_view no) override {
        return others_.ask(text, title, yes, no);
    }

  private:
    Dialogs& others_;
    std::optional<FileChoice> choice_;
};

}  // namespace

std::optional<Handle> Program::main_window() const {
    for (Handle h : graphics_.find_all(Graphics::kRoot, "Tag", Value("Kelmar6"))) {
        if (graphics_.type(h) == ObjectType::Figure)
            return h;
    }
    return std::nullopt;
}

int Program::run_opening(const std::string& file) {
    const FunctionRow& launcher = table_.row(0);
    return runtime_main(
        {}, launcher.body, info_,
        [this, &launcher, &file] {
            OpenOnce once(dialogs(), file);
            Dialogs* previous = set_dialogs(&once);
            // Through the launcher's forwarding branch, which tells a failure and goes on.
            launcher.body(0, {Value("kelmarsw"), Value("load1")});
            set_dialogs(previous);
            run_event_loop(graphics_, main_window());
        },
        console_);
}

int Program::run(const std::vector<std::string>& words) {
    const FunctionRow& launcher = table_.row(0);
    bool call_failed = false;
    // The errors of the call the words name; those of later callbacks are the window's.
    const ByNameBody call = [&](int outputs_wanted, const Values& inputs) {
        const std::size_t before = errors_told_;
        Values out = launcher.body(outputs_wanted, inputs);
        call_failed = errors_told_ > before;
        return out;
    };
    const int status = runtime_main(
        words, call, info_, [this] { run_event_loop(graphics_, main_window()); }, console_);
    return status == 0 && call_failed ? 1 : status;
}

}  // namespace kelmar
