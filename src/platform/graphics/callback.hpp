// Callback texts of controls: a function name with an optional parenthesised list of arguments,
// each a quoted text ('it''s' holds a quote) or a number, as in kelmar6('kelmarsw', 'load1') or
// kelmarsw('anglebetween'). The graphics model runs the parsed call through the function that
// calls by name, which the program's function table gives it.
#pragma once

#include "platform/numeric/value.hpp"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

struct CallbackCall {
    std::string name;
    std::vector<Value> args;
};

// Raises an Error naming the text and what is wrong with it.
CallbackCall parse_callback(std::string_view text);

using CallByNameHook = std::function<void(const std::string& name, const std::vector<Value>& args)>;

}  // namespace kelmar
