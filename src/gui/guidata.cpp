#include "guidata.hpp"

#include "platform/numeric/error.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace kelmar {
namespace {

constexpr const char* kPropName = "UsedByGUIData_m";

constexpr std::array<std::string_view, 17> kKeywords = {
    "break",  "case", "catch",     "continue",   "else",   "elseif", "end", "for",  "function",
    "global", "if",   "otherwise", "persistent", "return", "switch", "try", "while"};

// The window containing the single handle `h`, or the error every one of these functions raises.
Handle parent_figure(const Graphics& g, const Value& h) {
    if (h.is_real() && h.numel() == 1) {
        if (const std::optional<Handle> fig = g.figure_of(h.reals()[0]))
            return *fig;
    }
    throw Error("H must be the handle to a figure or figure descendent.");
}

bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

Value guihandles(const Graphics& g, const std::optional<Value>& h) {
    Handle fig = 0;
    if (h) {
        fig = parent_figure(g, *h);
    } else {
        const std::optional<Handle> current = g.current_figure();
        if (!current)
            throw Error("H must be the handle to a figure or figure descendent.");
        fig = *current;
    }
    Value handles;
    for (Handle this_h : g.find_all(fig)) {
        const Value tag = g.has_property(this_h, "tag") ? g.get(this_h, "tag") : Value();
        if (tag.empty() || !isvarname(tag))
            continue;
        if (!handles.is_struct())
            handles = Value::structure();
        std::vector<double> row;
        if (handles.has_field(tag.text())) {
            const auto previous = handles.field(tag.text()).reals();
            row.assign(previous.begin(), previous.end());
        }
        row.push_back(this_h);
        handles.set_field(tag.text(), Value::row(std::move(row)));
    }
    return handles;
}

Value guidata(const Graphics& g, const Value& h) {
    return g.app_data(parent_figure(g, h), kPropName);
}

void guidata(Graphics& g, const Value& h, const Value& data) {
    g.set_app_data(parent_figure(g, h), kPropName, data);
}

bool isvarname(const Value& s) {
    if (!s.is_text() || s.rows() != 1 || s.text().size() > 31)
        return false;
    const std::string& t = s.text();
    if (!is_letter(t[0]))
        return false;
    const bool word = std::all_of(t.begin(), t.end(), [](char c) {
        return is_letter(c) || c == '_' || (c >= '0' && c <= '9');
    });
    return word && !iskeyword(s);
}

bool iskeyword(const Value& s) {
    return s.is_text() &&
           std::find(kKeywords.begin(), kKeywords.end(), s.text()) != kKeywords.end();
}

Value iskeyword() {
    std::vector<Value> words(kKeywords.begin(), kKeywords.end());
    const std::size_t count = words.size();
    return Value::cell({count, 1}, std::move(words));
}

}  // namespace kelmar
