#include "ordered_product.hpp"

#include <cmath>

namespace kelmar {
namespace {

using Packet = Eigen::internal::packet_traits<double>::type;
constexpr Eigen::Index kLanes = Eigen::internal::packet_traits<double>::size;

// Rows r0 … r0 + Rows − 1, Packets·kLanes coordinates from c0: the sums stay in registers while
// the n terms pass, each lane of each packet one element's own chain of fused multiply-adds.
template <int Rows, int Packets>
void packet_block(const RowMajorMatrix& a, const RowMajorMatrix& e, Eigen::Index r0,
                  Eigen::Index c0, RowMajorMatrix& out) {
    using namespace Eigen::internal;
    Packet sum[Rows][Packets];
    for (int q = 0; q < Rows; ++q) {
        for (int p = 0; p < Packets; ++p)
            sum[q][p] = pset1<Packet>(0.0);
    }
    const double* coefficients[Rows];
    for (int q = 0; q < Rows; ++q)
        coefficients[q] = a.row(r0 + q).data();
    const double* term = e.data() + c0;
    const Eigen::Index stride = e.cols();
    for (Eigen::Index j = 0; j < e.rows(); ++j, term += stride) {
        Packet t[Packets];
        for (int p = 0; p < Packets; ++p)
            t[p] = ploadu<Packet>(term + p * kLanes);
        for (int q = 0; q < Rows; ++q) {
            const Packet w = pset1<Packet>(coefficients[q][j]);
            for (int p = 0; p < Packets; ++p)
                sum[q][p] = pmadd(w, t[p], sum[q][p]);
        }
    }
    for (int q = 0; q < Rows; ++q) {
        for (int p = 0; p < Packets; ++p)
            pstoreu(out.row(r0 + q).data() + c0 + p * kLanes, sum[q][p]);
    }
}

// One coordinate of rows r0 … r0 + rows − 1, one fused multiply-add at a time.
void scalar_column(const RowMajorMatrix& a, const RowMajorMatrix& e, Eigen::Index r0,
                   Eigen::Index rows, Eigen::Index c, RowMajorMatrix& out) {
    for (Eigen::Index r = r0; r < r0 + rows; ++r) {
        double sum = 0.0;
        for (Eigen::Index j = 0; j < e.rows(); ++j)
            sum = std::fma(a(r, j), e(j, c), sum);
        out(r, c) = sum;
    }
}

template <int Rows>
void row_block(const RowMajorMatrix& a, const RowMajorMatrix& e, Eigen::Index r0,
               RowMajorMatrix& out) {
    const Eigen::Index d = e.cols();
    Eigen::Index c0 = 0;
    for (; c0 + 3 * kLanes <= d; c0 += 3 * kLanes)
        packet_block<Rows, 3>(a, e, r0, c0, out);
    for (; c0 + 2 * kLanes <= d; c0 += 2 * kLanes)
        packet_block<Rows, 2>(a, e, r0, c0, out);
    for (; c0 + kLanes <= d; c0 += kLanes)
        packet_block<Rows, 1>(a, e, r0, c0, out);
    for (; c0 < d; ++c0)
        scalar_column(a, e, r0, Rows, c0, out);
}

}  // namespace

void ordered_product(const RowMajorMatrix& a, Eigen::Index rows, const RowMajorMatrix& e,
                     RowMajorMatrix& out) {
    if (out.rows() < rows || out.cols() != e.cols())
        out.resize(rows, e.cols());
    Eigen::Index r0 = 0;
    for (; r0 + 4 <= rows; r0 += 4)
        row_block<4>(a, e, r0, out);
    for (; r0 < rows; ++r0)
        row_block<1>(a, e, r0, out);
}

}  // namespace kelmar
