// The array value of the system's dynamic edge (calls by name, graphics properties, console
// echoes): a real double array of any number of dimensions, a character row, a cell array or a
// structure with ordered fields. Arrays are column-major, trailing dimensions of length 1 are
// dropped (at least two remain), and the default value is the empty 0 × 0 real array.
#pragma once

#include "stack.hpp"

#include <Eigen/Core>
#include <concepts>
#include <cstddef>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

using Dims = std::vector<std::size_t>;

enum class ValueKind { Real, Text, Cell, Struct };

class Value {
  public:
    Value() : dims_{0, 0} {}
    template <typename T>
    requires(std::integral<T> || std::floating_point<T>) Value(T x)
        : dims_{1, 1}, reals_{static_cast<double>(x)} {}        // NOLINT: scalars convert freely
    Value(const char* text) : Value(std::string(text)) {}       // NOLINT
    Value(std::string text);                                    // NOLINT
    Value(std::string_view text) : Value(std::string(text)) {}  // NOLINT

    // A real array of the given dimensions holding `data` in column order.
    static Value real(Dims dims, std::vector<double> data);
    static Value row(std::vector<double> data);
    static Value column(std::vector<double> data);
    static Value from_matrix(const Eigen::Ref<const Eigen::MatrixXd>& m);
    // A p × 3 × n array (p × 3 when n is 1).
    static Value from_stack(const Stack& s);
    static Value cell(Dims dims, std::vector<Value> elements);
    static Value cell_row(std::vector<Value> elements);
    // A 1 × 1 structure without fields.
    static Value structure();

    ValueKind kind() const { return kind_; }
    bool is_real() const { return kind_ == ValueKind::Real; }
    bool is_text() const { return kind_ == ValueKind::Text; }
    bool is_cell() const { return kind_ == ValueKind::Cell; }
    bool is_struct() const { return kind_ == ValueKind::Struct; }

    const Dims& dims() const { return dims_; }
    std::size_t rows() const { return dims_[0]; }
    std::size_t cols() const { return dims_[1]; }
    std::size_t numel() const;
    bool empty() const { return numel() == 0; }

    // Real data in column order; empty for other kinds.
    std::span<const double> reals() const { return reals_; }
    // Text of a character row; "" for other kinds.
    const std::string& text() const { return text_; }
    std::span<const Value> cells() const { return cells_; }

    // Structure fields, in the order they were first set.
    const std::vector<std::string>& field_names() const { return field_names_; }
    bool has_field(std::string_view name) const;
    const Value& field(std::string_view name) const;
    void set_field(std::string_view name, Value v);

    // Conversions at the typed edge; each raises an Error naming what it expected and found.
    double to_scalar() const;
    Eigen::MatrixXd to_matrix() const;
    Stack to_stack() const;
    // A condition holds when the value is non-empty and all its elements are non-zero.
    bool is_true() const;

    // Human-readable kind and size, as in "3x4 real" or "1x5 text", used in messages.
    std::string describe() const;

    friend bool operator==(const Value& a, const Value& b);

  private:
    ValueKind kind_ = ValueKind::Real;
    Dims dims_;
    std::vector<double> reals_;
    std::string text_;
    std::vector<Value> cells_;
    std::vector<std::string> field_names_;
    std::vector<Value> field_values_;
};

// Writes the value as the console echo shows it (test frameworks print values with it).
void PrintTo(const Value& value, std::ostream* out);

// Drops trailing dimensions of length 1, keeping at least two.
Dims normalize_dims(Dims dims);

}  // namespace kelmar
