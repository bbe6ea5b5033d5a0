#include "function_table.hpp"

#include "platform/numeric/error.hpp"

#include <algorithm>

namespace kelmar {
namespace {

std::string count_message(std::string_view name, int line, const char* what, int count) {
    const std::string n(name);
    return "Run-time Error: File: " + n + " Line: " + std::to_string(line) +
           " Column: 1 The function \"" + n +
           "\" was called with more than the declared number of " + what + " (" +
           std::to_string(count) + ").";
}

}  // namespace

std::string FunctionTable::outputs_message(std::string_view name, int line, int count) {
    return count_message(name, line, "outputs", count);
}

std::string FunctionTable::inputs_message(std::string_view name, int line, int count) {
    return count_message(name, line, "inputs", count);
}

FunctionTable::FunctionTable(std::vector<FunctionRow> rows) {
    for (FunctionRow& r : rows)
        modules_.push_back({std::move(r), false, {}, {}});
}

void FunctionTable::initialise(std::size_t i) {
    Module& m = modules_.at(i);
    // A message for every declared count; a subfunction is named after its module.
    const auto messages_of = [](const std::string& name, const FunctionRow& r) {
        Messages out;
        if (r.outputs >= 0)
            out.outputs = outputs_message(name, r.line, r.outputs);
        if (r.inputs >= 0)
            out.inputs = inputs_message(name, r.line, r.inputs);
        return out;
    };
    // The launcher checks nothing: it takes any number of inputs and outputs.
    m.messages = messages_of(m.row.name, m.row);
    m.local.clear();
    for (const FunctionRow& sub : m.row.local)
        m.local.push_back(messages_of(m.row.name + "/" + sub.name, sub));
    m.initialised = true;
}

void FunctionTable::terminate(std::size_t i) {
    Module& m = modules_.at(i);
    m.messages = {};
    m.local.clear();
    m.initialised = false;
}

FunctionTable::Found FunctionTable::find(std::string_view name) {
    if (!running_.empty()) {
        Module* current = running_.back();
        for (std::size_t k = 0; k < current->row.local.size(); ++k) {
            if (current->row.local[k].name == name) {
                const Messages* messages = k < current->local.size() ? &current->local[k] : nullptr;
                return {&current->row.local[k], current, messages};
            }
        }
    }
    for (Module& m : modules_) {
        if (m.row.name == name)
            return {&m.row, &m, &m.messages};
    }
    return {nullptr, nullptr, nullptr};
}

Values FunctionTable::call(std::string_view name, int outputs_wanted, const Values& inputs) {
    const Found f = find(name);
    if (f.row == nullptr) {
        throw Error("there is no function " + in_quotes(name) + " to call");
    }
    if (!f.module->initialised || f.messages == nullptr) {
        throw Error("the module " + in_quotes(f.module->row.name) + " is not initialised");
    }
    if (f.row->outputs >= 0 && outputs_wanted > f.row->outputs)
        throw Error(f.messages->outputs);
    if (f.row->inputs >= 0 && static_cast<int>(inputs.size()) > f.row->inputs)
        throw Error(f.messages->inputs);

    // The module's local table is current while its body runs.
    struct Running {
        std::vector<Module*>& stack;
        Running(std::vector<Module*>& s, Module* m) : stack(s) { stack.push_back(m); }
        ~Running() { stack.pop_back(); }
    } running(running_, f.module);
    Values out = f.row->body(outputs_wanted, inputs);
    const std::size_t wanted = static_cast<std::size_t>(std::max(outputs_wanted, 1));
    if (out.size() > wanted)
        out.resize(wanted);
    return out;
}

std::vector<std::string> FunctionTable::messages() const {
    std::vector<std::string> out;
    for (const Module& m : modules_) {
        if (!m.initialised)
            continue;
        for (const Messages* msgs : {&m.messages}) {
            if (!msgs->outputs.empty())
                out.push_back(msgs->outputs);
            if (!msgs->inputs.empty())
                out.push_back(msgs->inputs);
        }
        for (const Messages& sub : m.local) {
            if (!sub.outputs.empty())
                out.push_back(sub.outputs);
            if (!sub.inputs.empty())
                out.push_back(sub.inputs);
        }
    }
    return out;
}

}  // namespace kelmar
