#include "by_name.hpp"

#include "error.hpp"
#include "format.hpp"

#include <cmath>

namespace kelmar {

Arguments::Arguments(std::string_view function, const Values& inputs)
    : function_(function), inputs_(inputs) {}

void Arguments::wrong(std::string_view name, const std::string& why) const {
    throw Error(function_ + ": input \"" + std::string(name) + "\" " + why);
}

const Value& Arguments::value(std::size_t i, std::string_view name) const {
    if (!given(i))
        wrong(name, "is missing (input " + std::to_string(i + 1) + ")");
    return inputs_[i];
}

Eigen::MatrixXd Arguments::matrix(std::size_t i, std::string_view name) const {
    const Value& v = value(i, name);
    if (!v.is_real() || v.dims().size() > 2)
        wrong(name, "must be a real matrix, given a " + v.describe() + " value");
    return v.to_matrix();
}

Stack Arguments::stack(std::size_t i, std::string_view name) const {
    const Value& v = value(i, name);
    if (!v.is_real() || v.dims().size() > 3 || v.cols() != 3)
        wrong(name, "must be landmark configurations of size p x 3 x n, given a " + v.describe() +
                        " value");
    return v.to_stack();
}

std::string Arguments::text(std::size_t i, std::string_view name) const {
    const Value& v = value(i, name);
    if (!v.is_text())
        wrong(name, "must be a text, given a " + v.describe() + " value");
    return v.text();
}

double Arguments::scalar(std::size_t i, std::string_view name) const {
    const Value& v = value(i, name);
    if (!v.is_real() || v.numel() != 1)
        wrong(name, "must be one number, given a " + v.describe() + " value");
    return v.reals()[0];
}

Eigen::Index Arguments::whole(std::size_t i, std::string_view name) const {
    const double v = scalar(i, name);
    if (!std::isfinite(v) || v != std::floor(v) || std::fabs(v) > 1e15)
        wrong(name, "must be a whole number, given " + shortest_text(v));
    return static_cast<Eigen::Index>(v);
}

}  // namespace kelmar
