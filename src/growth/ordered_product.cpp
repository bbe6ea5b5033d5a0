#include "ordered_product.hpp"

#include "growth_kernels.hpp"
#include "platform/numeric/kernel_set.hpp"

namespace kelmar {

void ordered_product(const RowMajorMatrix& a, Eigen::Index rows, const RowMajorMatrix& e,
                     RowMajorMatrix& out) {
    if (out.rows() < rows || out.cols() != e.cols())
        out.resize(rows, e.cols());
    const auto kernel = kernel_set() == KernelSet::avx2 ? kernels::avx2::ordered_rows
                                                        : kernels::baseline::ordered_rows;
    kernel(a.data(), a.cols(), rows, e.data(), e.rows(), e.cols(), out.data(), out.cols());
}

}  // namespace kelmar
