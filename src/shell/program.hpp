// The desktop program assembled: its 31-row function table in table order, from the rows each
// subsystem provides; its 33 initialisers and terminators (the numeric library, the graphics
// library, which brings up the Qt application, view and dialogs, then the modules in table
// order); and its run from the command-line words to the exit status. The program owns what its
// functions share: the graphics model, the analysis session (with its random stream), the dialogs
// and the console; each row is given the parts it uses.
#pragma once

#include "platform/graphics/dialogs.hpp"
#include "platform/graphics/graphics.hpp"
#include "runtime.hpp"
#include "session/session.hpp"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelmar {

// The names of the function table, in table order.
const std::vector<std::string>& function_names();

class Program {
  public:
    explicit Program(std::ostream& console);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    FunctionTable& table() { return table_; }
    std::vector<InitTermRow>& init_term_table() { return init_term_; }
    const MainInfo& main_info() const { return info_; }
    Graphics& graphics() { return graphics_; }
    Session& session() { return session_; }
    // The dialogs in use: the Qt dialogs while the graphics library is initialised. Raises an
    // Error when there are none.
    Dialogs& dialogs();
    // Puts `d` in use (nullptr: none) and returns the ones it replaces.
    Dialogs* set_dialogs(Dialogs* d);

    // With words, calls that function by name; the status is 1 when the call raised an error
    // (told on the console), so that scripts can tell. Runs until the main window closes (its
    // drawings close with it), or without one until the last window closes.
    int run(const std::vector<std::string>& words);
    // Opens the main window and loads `file` as sample 1, as if the user had chosen it in the
    // load dialog (a failure is told as the load's own would be), then runs until the main
    // window closes, and its drawings with it.
    int run_opening(const std::string& file);

  private:
    std::vector<FunctionRow> rows_in_table_order();
    // The main window, when one is open: the program ends when it closes.
    std::optional<Handle> main_window() const;

    std::ostream& console_;
    std::size_t errors_told_ = 0;  // errors of forwarded calls, told on the console
    Graphics graphics_;
    Session session_;
    Dialogs* dialogs_ = nullptr;
    FunctionTable table_;
    std::vector<InitTermRow> init_term_;
    MainInfo info_;
};

}  // namespace kelmar
