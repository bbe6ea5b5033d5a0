#include "value.hpp"

#include "error.hpp"

#include <algorithm>
#include <functional>
#include <numeric>

namespace kelmar {

Dims normalize_dims(Dims dims) {
    while (dims.size() < 2) {
        dims.push_back(dims.empty() ? 0 : 1);
    }
    while (dims.size() > 2 && dims.back() == 1) {
        dims.pop_back();
    }
    return dims;
}

namespace {

std::size_t product(const Dims& dims) {
    return std::accumulate(dims.begin(), dims.end(), std::size_t{1}, std::multiplies<>());
}

std::string dims_text(const Dims& dims) {
    std::string s;
    for (std::size_t i = 0; i < dims.size(); ++i) {
        if (i > 0)
            s += 'x';
        s += std::to_string(dims[i]);
    }
    return s;
}

}  // namespace

Value::Value(std::string text)
    : kind_(ValueKind::Text), dims_{text.empty() ? 0u : 1u, text.size()}, text_(std::move(text)) {}

Value Value::real(Dims dims, std::vector<double> data) {
    dims = normalize_dims(std::move(dims));
    if (product(dims) != data.size()) {
        throw Error("an array of size " + dims_text(dims) + " needs " +
                    std::to_string(product(dims)) + " elements, given " +
                    std::to_string(data.size()));
    }
    Value v;
    v.dims_ = std::move(dims);
    v.reals_ = std::move(data);
    return v;
}

Value Value::row(std::vector<double> data) {
    const std::size_t n = data.size();
    return real({n == 0 ? 0u : 1u, n}, std::move(data));
}

Value Value::column(std::vector<double> data) {
    const std::size_t n = data.size();
    return real({n, n == 0 ? 0u : 1u}, std::move(data));
}

Value Value::from_matrix(const Eigen::Ref<const Eigen::MatrixXd>& m) {
    std::vector<double> data(static_cast<std::size_t>(m.size()));
    Eigen::Map<Eigen::MatrixXd>(data.data(), m.rows(), m.cols()) = m;
    return real({static_cast<std::size_t>(m.rows()), static_cast<std::size_t>(m.cols())},
                std::move(data));
}

Value Value::from_stack(const Stack& s) {
    const Eigen::MatrixXd& pages = s.pages();
    std::vector<double> data(pages.data(), pages.data() + pages.size());
    return real(
        {static_cast<std::size_t>(s.landmarks()), 3u, static_cast<std::size_t>(s.specimens())},
        std::move(data));
}

Value Value::cell(Dims dims, std::vector<Value> elements) {
    dims = normalize_dims(std::move(dims));
    if (product(dims) != elements.size()) {
        throw Error("a cell array of size " + dims_text(dims) + " needs " +
                    std::to_string(product(dims)) + " elements, given " +
                    std::to_string(elements.size()));
    }
    Value v;
    v.kind_ = ValueKind::Cell;
    v.dims_ = std::move(dims);
    v.cells_ = std::move(elements);
    return v;
}

Value Value::cell_row(std::vector<Value> elements) {
    const std::size_t n = elements.size();
    return cell({n == 0 ? 0u : 1u, n}, std::move(elements));
}

Value Value::structure() {
    Value v;
    v.kind_ = ValueKind::Struct;
    v.dims_ = {1, 1};
    return v;
}

std::size_t Value::numel() const {
    return product(dims_);
}

bool Value::has_field(std::string_view name) const {
    return std::find(field_names_.begin(), field_names_.end(), name) != field_names_.end();
}

const Value& Value::field(std::string_view name) const {
    const auto it = std::find(field_names_.begin(), field_names_.end(), name);
    if (!is_struct() || it == field_names_.end()) {
        throw Error("reference to a non-existent field '" + std::string(name) + "'");
    }
    return field_values_[static_cast<std::size_t>(it - field_names_.begin())];
}

void Value::set_field(std::string_view name, Value v) {
    if (!is_struct()) {
        throw Error("cannot set field '" + std::string(name) + "' of a " + describe() +
                    " value: it is not a structure");
    }
    const auto it = std::find(field_names_.begin(), field_names_.end(), name);
    if (it == field_names_.end()) {
        field_names_.emplace_back(name);
        field_values_.push_back(std::move(v));
    } else {
        field_values_[static_cast<std::size_t>(it - field_names_.begin())] = std::move(v);
    }
}

double Value::to_scalar() const {
    if (!is_real() || numel() != 1) {
        throw Error("expected a real number, found a " + describe() + " value");
    }
    return reals_[0];
}

Eigen::MatrixXd Value::to_matrix() const {
    if (!is_real() || dims_.size() > 2) {
        throw Error("expected a real matrix, found a " + describe() + " value");
    }
    return Eigen::Map<const Eigen::MatrixXd>(reals_.data(), static_cast<Eigen::Index>(rows()),
                                             static_cast<Eigen::Index>(cols()));
}

Stack Value::to_stack() const {
    if (!is_real() || dims_.size() > 3 || cols() != 3) {
        throw Error("expected landmark configurations of size p x 3 x n, found a " + describe() +
                    " value");
    }
    const std::size_t n = dims_.size() == 3 ? dims_[2] : 1;
    Eigen::MatrixXd pages = Eigen::Map<const Eigen::MatrixXd>(
        reals_.data(), static_cast<Eigen::Index>(rows()), static_cast<Eigen::Index>(3 * n));
    return Stack::from_pages_matrix(std::move(pages));
}

bool Value::is_true() const {
    if (empty()) {
        return false;
    }
    switch (kind_) {
        case ValueKind::Real:
            return std::all_of(reals_.begin(), reals_.end(), [](double x) { return x != 0.0; });
        case ValueKind::Text:
            return std::all_of(text_.begin(), text_.end(), [](char c) { return c != '\0'; });
        case ValueKind::Cell:
        case ValueKind::Struct:
            break;
    }
    throw Error("a " + describe() + " value cannot be used as a condition");
}

std::string Value::describe() const {
    static constexpr const char* names[] = {"real", "text", "cell", "struct"};
    return dims_text(dims_) + " " + names[static_cast<int>(kind_)];
}

bool operator==(const Value& a, const Value& b) {
    return a.kind_ == b.kind_ && a.dims_ == b.dims_ && a.reals_ == b.reals_ && a.text_ == b.text_ &&
           a.cells_ == b.cells_ && a.field_names_ == b.field_names_ &&
           a.field_values_ == b.field_values_;
}

}  // namespace kelmar
