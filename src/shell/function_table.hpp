// The table of functions callable by name: one row per module, in table order, each with its
// declared counts and its local table of subfunctions. A call by name finds the row, checks the
// counts (outputs first, then inputs; fewer always pass) and runs the body with the module's local
// table current, so a call by name made from inside the module reaches its subfunctions and
// nothing else does. The count messages are built by the module's initialiser and destroyed by
// its terminator; a module that is not initialised cannot be called.
#pragma once

#include "platform/numeric/by_name.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

class FunctionTable {
  public:
    explicit FunctionTable(std::vector<FunctionRow> rows);

    std::size_t size() const { return modules_.size(); }
    const FunctionRow& row(std::size_t i) const { return modules_[i].row; }

    // The initialiser and terminator of module `i`.
    void initialise(std::size_t i);
    void terminate(std::size_t i);
    bool initialised(std::size_t i) const { return modules_[i].initialised; }

    // Raises the count messages, "there is no function ..." for a name no row or current local
    // table has, and whatever the body raises.
    Values call(std::string_view name, int outputs_wanted, const Values& inputs);

    // Every count message of the initialised modules, in table order.
    std::vector<std::string> messages() const;

    static std::string outputs_message(std::string_view name, int line, int count);
    static std::string inputs_message(std::string_view name, int line, int count);

  private:
    struct Messages {
        std::string outputs;  // empty: no such message (any number allowed)
        std::string inputs;
    };
    struct Module {
        FunctionRow row;
        bool initialised = false;
        Messages messages;
        std::vector<Messages> local;  // of each subfunction
    };
    // A function found: its row, its module and its messages.
    struct Found {
        const FunctionRow* row;
        Module* module;
        const Messages* messages;
    };
    Found find(std::string_view name);

    std::vector<Module> modules_;
    std::vector<Module*> running_;  // modules whose bodies run, innermost last
};

}  // namespace kelmar
