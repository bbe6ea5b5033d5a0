// The start-up of the desktop program: the record handed to the main routine (_main_info), the
// table of initialisers and terminators, and runtime_main, which initialises the libraries and
// modules in table order, calls the launcher with the command-line words, services the windows
// while any is open, terminates everything and returns the exit status.
#pragma once

#include "function_table.hpp"

#include <functional>
#include <string>
#include <vector>

namespace kelmar {

struct InitTermRow {
    std::string name;  // as "numericlib", "graphicslib" or the module's name
    std::function<void()> initialise;
    std::function<void()> terminate;
};

struct MainInfo {
    int version = 1;
    int function_count = 0;
    FunctionTable* function_table = nullptr;
    int unused_count_1 = 0;  // two tables the program does not need, kept empty
    int unused_count_2 = 0;
    int init_term_count = 0;
    std::vector<InitTermRow>* init_term_table = nullptr;
};

// Services the windows until none is open (the event loop of the graphics library).
using EventLoop = std::function<void()>;

// An error the launcher does not catch (a missing figure file) is printed on `console`, ends the
// program after the terminators and gives exit status 1.
int runtime_main(const std::vector<std::string>& words, const ByNameBody& launcher,
                 const MainInfo& info, const EventLoop& event_loop, std::ostream& console);

}  // namespace kelmar
