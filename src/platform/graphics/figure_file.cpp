#include "figure_file.hpp"

#include "platform/numeric/error.hpp"
#include "platform/numeric/files.hpp"

#include <nlohmann/json.hpp>

namespace kelmar {
namespace {

using Json = nlohmann::json;

struct Failure {
    std::string where;
    std::string what;
};

Value value_from_json(const Json& j, const std::string& where) {
    switch (j.type()) {
        case Json::value_t::null:
            return Value();
        case Json::value_t::boolean:
            return Value(j.get<bool>() ? 1.0 : 0.0);
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            return Value(j.get<double>());
        case Json::value_t::string:
            return Value(j.get<std::string>());
        case Json::value_t::array:
            break;
        default:
            throw Failure{where, "a property value must be a number, a text or a list"};
    }
    if (j.empty())
        return Value();
    if (j.front().is_string()) {
        std::vector<Value> texts;
        for (const Json& e : j) {
            if (!e.is_string())
                throw Failure{where, "a list of texts holds something else"};
            texts.emplace_back(e.get<std::string>());
        }
        return Value::cell_row(std::move(texts));
    }
    if (j.front().is_array()) {
        const std::size_t rows = j.size();
        const std::size_t cols = j.front().size();
        std::vector<double> data(rows * cols);
        for (std::size_t r = 0; r < rows; ++r) {
            if (!j[r].is_array() || j[r].size() != cols) {
                throw Failure{where, "the rows of a matrix must be lists of equal length"};
            }
            for (std::size_t c = 0; c < cols; ++c) {
                if (!j[r][c].is_number())
                    throw Failure{where, "a matrix holds something other than numbers"};
                data[c * rows + r] = j[r][c].get<double>();
            }
        }
        return Value::real({rows, cols}, std::move(data));
    }
    std::vector<double> row;
    for (const Json& e : j) {
        if (!e.is_number())
            throw Failure{where, "a list of numbers holds something else"};
        row.push_back(e.get<double>());
    }
    return Value::row(std::move(row));
}

// Deeper nesting than any window needs is refused before it can exhaust the stack.
constexpr int kMaxDepth = 64;

void add_object(Graphics& g, const Json& j, Handle parent, const std::string& where,
                Handle& created, int depth = 0) {
    if (depth > kMaxDepth)
        throw Failure{where,
                      "objects are nested more than " + std::to_string(kMaxDepth) + " levels deep"};
    if (!j.is_object())
        throw Failure{where, "an object must be a JSON object"};
    if (!j.contains("type") || !j["type"].is_string())
        throw Failure{where, "the object has no \"type\""};
    const std::string type_text = j["type"].get<std::string>();
    const std::optional<ObjectType> type = type_from_name(type_text);
    if (!type)
        throw Failure{where, "unknown object type " + in_quotes(type_text)};
    std::vector<std::pair<std::string, Value>> properties;
    if (j.contains("properties")) {
        if (!j["properties"].is_object())
            throw Failure{where, "\"properties\" must be an object"};
        for (const auto& [name, value] : j["properties"].items()) {
            properties.emplace_back(
                name, value_from_json(value, where + ", property " + printable(name)));
        }
    }
    Handle h = 0;
    try {
        h = g.create(*type, parent, properties);
    } catch (const Error& e) {
        throw Failure{where, e.what()};
    }
    if (created == 0)
        created = h;
    if (j.contains("children")) {
        if (!j["children"].is_array())
            throw Failure{where, "\"children\" must be a list"};
        for (std::size_t i = 0; i < j["children"].size(); ++i) {
            add_object(g, j["children"][i], h, where + ", child " + std::to_string(i + 1), created);
        }
    }
}

}  // namespace

Handle load_figure_text(Graphics& g, const std::string& text, const std::string& name) {
    const std::string file = "figure file " + in_quotes(name);
    Json j;
    try {
        j = Json::parse(text);
    } catch (const Json::exception& e) {
        // A syntax error, or a number beyond the range of doubles such as 1e999.
        throw Error(file + " is not valid JSON: " + printable(e.what()));
    }
    if (!j.is_object() || !j.contains("type") || !j["type"].is_string() ||
        j["type"].get<std::string>() != "figure") {
        throw Error(file + ": the top object must be a figure");
    }
    Handle figure = 0;
    try {
        add_object(g, j, Graphics::kRoot, "figure", figure);
    } catch (const Failure& f) {
        g.close(figure);
        throw Error(file + ": " + f.where + ": " + printable(f.what));
    } catch (const Json::exception& e) {
        g.close(figure);
        throw Error(file + ": " + printable(e.what()));
    }
    return figure;
}

Handle load_figure_file(Graphics& g, const std::string& path) {
    const std::optional<std::string> text = read_file_bytes(path);
    if (!text) {
        throw Error("cannot open figure file " + in_quotes(path));
    }
    return load_figure_text(g, *text, path);
}

}  // namespace kelmar
