// Functions callable by name, as controls' callbacks and the command line call them: a body that
// takes the number of outputs asked for and the input values and returns its outputs, with the
// counts it declares. Each subsystem lists its own functions as rows; the program's shell puts
// them in its table and checks the counts before a body runs. Bodies convert their inputs to
// typed arguments through Arguments, whose errors name the function and the argument.
#pragma once

#include "stack.hpp"
#include "value.hpp"

#include <Eigen/Core>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

using Values = std::vector<Value>;
using ByNameBody = std::function<Values(int outputs_wanted, const Values& inputs)>;

struct FunctionRow {
    std::string name = {};
    ByNameBody body = {};
    int inputs = -1;   // declared inputs; -1: any number
    int outputs = -1;  // declared outputs; -1: any number
    int line = 1;      // a subfunction's line in its module's source, named in messages
    std::vector<FunctionRow> local = {};  // the module's subfunctions
};

class Arguments {
  public:
    Arguments(std::string_view function, const Values& inputs);

    bool given(std::size_t i) const { return i < inputs_.size(); }
    std::size_t count() const { return inputs_.size(); }

    // Each raises an Error naming the function and the argument when it is missing or is not of
    // the kind or shape asked for.
    const Value& value(std::size_t i, std::string_view name) const;
    Eigen::MatrixXd matrix(std::size_t i, std::string_view name) const;
    Stack stack(std::size_t i, std::string_view name) const;  // p × 3 × n, or one p × 3
    std::string text(std::size_t i, std::string_view name) const;
    double scalar(std::size_t i, std::string_view name) const;
    Eigen::Index whole(std::size_t i, std::string_view name) const;  // a whole number

  private:
    [[noreturn]] void wrong(std::string_view name, const std::string& why) const;

    std::string function_;
    const Values& inputs_;
};

}  // namespace kelmar
