// A matrix product whose every element is summed in one fixed order: out = a · e, with
// a (rows × n) and e (n × d) row-major, each element Σ_j a(r, j)·e(j, c) taken for j = 0 … n − 1
// one multiply-add at a time, by the same operations for every row. A row's values therefore
// depend on its own coefficients alone, not on the rows computed beside it or their number, so
// permuted datasets that are the same give the same bits wherever they stand (a general matrix
// product sums the rows at a block's edge in another order).
#pragma once

#include <Eigen/Core>

namespace kelmar {

using RowMajorMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// out.topRows(rows) = a.topRows(rows).leftCols(e.rows()) · e; `out` is resized to at least
// `rows` × e.cols() (rows beyond are left as they are).
void ordered_product(const RowMajorMatrix& a, Eigen::Index rows, const RowMajorMatrix& e,
                     RowMajorMatrix& out);

}  // namespace kelmar
