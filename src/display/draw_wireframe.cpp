#include "draw_wireframe.hpp"

#include "platform/graphics/plotting.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <cmath>
#include <string>

namespace kelmar {

Eigen::MatrixXd with_z(const Eigen::Ref<const Eigen::MatrixXd>& shape) {
    if (shape.cols() != 2)
        return shape;
    Eigen::MatrixXd out = Eigen::MatrixXd::Zero(shape.rows(), 3);
    out.leftCols(2) = shape;
    return out;
}

void draw_wireframe(Graphics& g, const Eigen::Ref<const Eigen::MatrixXd>& shape,
                    const Eigen::Ref<const Eigen::MatrixXd>& wirelist, const PlotStyle& style) {
    if (shape.cols() != 3 && shape.cols() != 2) {
        throw Error("wire3d needs a configuration of p landmarks by 3 coordinates, given " +
                    std::to_string(shape.rows()) + " x " + std::to_string(shape.cols()));
    }
    const Eigen::MatrixXd x = with_z(shape);
    if (wirelist.rows() == 0)
        return;
    if (wirelist.cols() < 3) {
        throw Error(
            "a wirelist row holds a wire number and the two landmarks it joins (3 "
            "numbers), but its rows hold " +
            std::to_string(wirelist.cols()));
    }
    // Every wire is checked before the first is drawn, so a bad wirelist draws nothing.
    const auto p = static_cast<double>(x.rows());
    for (Eigen::Index i = 0; i < wirelist.rows(); ++i) {
        for (Eigen::Index j = 1; j <= 2; ++j) {
            const double v = wirelist(i, j);
            if (!(v >= 1.0 && v <= p) || v != std::floor(v)) {
                throw Error("wirelist row " + std::to_string(i + 1) + ": landmark number " +
                            shortest_text(v) + " is not a whole number from 1 to " +
                            std::to_string(x.rows()));
            }
        }
    }
    for (Eigen::Index i = 0; i < wirelist.rows(); ++i) {
        const auto a = static_cast<Eigen::Index>(wirelist(i, 1)) - 1;
        const auto b = static_cast<Eigen::Index>(wirelist(i, 2)) - 1;
        const double xs[] = {x(a, 0), x(b, 0)};
        const double ys[] = {x(a, 1), x(b, 1)};
        const double zs[] = {x(a, 2), x(b, 2)};
        add_line(g, xs, ys, zs, style);
    }
}

}  // namespace kelmar
