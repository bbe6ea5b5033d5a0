#include "validate_dataset.hpp"

#include "platform/numeric/echo.hpp"
#include "platform/numeric/error.hpp"
#include "platform/numeric/format.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelmar {

namespace {

// Coordinates far from the origin for their spread keep few of a double's 16 significant digits
// for the shape itself: a translation by 1e15 moves angles in their third digit. Said once a
// file, for its worst specimen, when fewer than 8 digits are left.
void warn_of_lost_digits(const Eigen::Ref<const Eigen::MatrixXd>& table, const std::string& file,
                         int d) {
    const Eigen::Index p = (table.cols() - 1) / d;
    double worst = 0.0;
    Eigen::Index worst_row = 0;
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
        const Eigen::MatrixXd xyz = table.row(i).head(d * p).reshaped(d, p).transpose();
        const double far = xyz.cwiseAbs().maxCoeff();
        const double spread = std::sqrt((xyz.rowwise() - xyz.colwise().mean()).squaredNorm() /
                                        static_cast<double>(p));
        const double ratio = spread > 0.0 ? far / spread : 0.0;
        if (ratio > worst) {
            worst = ratio;
            worst_row = i;
        }
    }
    // Digits of the spread left: 16 less the digits the distance from the origin takes.
    const double digits = -std::log10(std::numeric_limits<double>::epsilon() * worst);
    if (worst > 0.0 && digits < 8.0) {
        warn(file + ", line " + std::to_string(worst_row + 1) + ": the coordinates lie " +
             format_text("%.2g", {worst}) +
             " times their spread from the origin, which leaves about " +
             format_text("%.0f", {std::max(0.0, std::floor(digits))}) +
             " significant digits for the shape; subtract a common offset from every coordinate "
             "first");
    }
}

}  // namespace

void validate_landmark_dataset(const Eigen::Ref<const Eigen::MatrixXd>& table,
                               const std::string& name, int d) {
    const std::string file = in_quotes(name);
    if (table.rows() == 0) {
        throw Error(file + " holds no specimens");
    }
    const Eigen::Index c = table.cols();
    // A count that fails the table's dimension is named against the other one too: only the
    // user can tell a 2D table from a 3D one.
    const bool fits_2d = c >= 5 && (c - 1) % 2 == 0, fits_3d = c >= 7 && (c - 1) % 3 == 0;
    const std::string as_2d =
        "x, y of each landmark and then the size (2p + 1 numbers: 5, 7, 9, ...)";
    const std::string as_3d =
        "x, y, z of each landmark and then the size (3p + 1 numbers: 4, 7, 10, ...)";
    if (d == 2 && (c < 3 || (c - 1) % 2 != 0)) {
        throw Error(file + ": its lines hold " + std::to_string(c) +
                    " numbers, but a 2D landmark line holds " + as_2d +
                    (fits_3d ? "; as 3D landmarks it would fit: read it as a 3D table"
                             : "; nor do they fit 3D landmarks (3p + 1 numbers)"));
    }
    if (d != 2 && (c < 4 || (c - 1) % 3 != 0)) {
        throw Error(file + ": its lines hold " + std::to_string(c) +
                    " numbers, but a landmark line holds " + as_3d +
                    (fits_2d ? "; as 2D landmarks (x, y and the size: 2p + 1 numbers) it would "
                               "fit: read it as a 2D table"
                             : "; nor do they fit 2D landmarks (2p + 1 numbers)"));
    }
    if (c == d + 1) {
        throw Error(file + ": its lines hold one landmark (" + (d == 2 ? "x, y" : "x, y, z") +
                    " and the size), but a shape needs at least 2 landmarks to be superimposed "
                    "and compared");
    }
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
        const std::string line = file + ", line " + std::to_string(i + 1);
        for (Eigen::Index j = 0; j < c; ++j) {
            const double v = table(i, j);
            if (!std::isfinite(v)) {
                throw Error(line + ": value " + shortest_text(v) + " (number " +
                            std::to_string(j + 1) + " of the line) is not a finite number");
            }
        }
        const double size = table(i, c - 1);
        if (!(size > 0)) {
            throw Error(line + ": size " + shortest_text(size) +
                        " (the last number of the line) must be greater than 0");
        }
    }
    warn_of_lost_digits(table, file, d);
}

}  // namespace kelmar
