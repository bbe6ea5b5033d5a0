// The loops the bootstraps and permutation tests spend their time in, in two versions of one
// source: `baseline` for every x86-64 processor (a multiply and an add, two lanes) and `avx2`
// (one fused multiply-add, four lanes). Plain pointers only: the AVX2 version is compiled apart
// with AVX2 enabled, and nothing it defines may be shared with the rest of the program.
//
// ordered_rows: out[r][c] = Σ_j a[r][j]·e[j][c], for j = 0 … n − 1 one multiply-add at a time,
// in the same order for every row, so a row's values depend on its own coefficients alone; a:
// `rows` rows of `a_stride` numbers (the first n used), e: n rows of d numbers, out: `rows` rows
// of `out_stride` numbers (the first d written).
// weighted_sums: slope[c] = Σ_m w[m]·e0[js[m]][c], one multiply-add at a time, and, unless `sum`
// is null, sum[c] = Σ_m e0[js[m]][c], for the d coordinates of e0's rows.
// slope_weights_4: four sets' least-squares slope weights side by side (`t` holds `count` groups
// of four sizes on entry, their weights on return; varies[l] says whether set l's sizes vary),
// each set by the same operations in the same order as one set alone, so with the same bits.
#pragma once

#include <cstddef>

namespace kelmar::kernels {

#define KELMAR_GROWTH_KERNELS                                                           \
    void ordered_rows(const double* a, std::ptrdiff_t a_stride, std::ptrdiff_t rows,    \
                      const double* e, std::ptrdiff_t n, std::ptrdiff_t d, double* out, \
                      std::ptrdiff_t out_stride);                                       \
    void weighted_sums(const double* e0, std::ptrdiff_t d, const std::ptrdiff_t* js,    \
                       const double* w, std::size_t count, double* sum, double* slope); \
    void slope_weights_4(double* t, std::size_t count, bool* varies);

namespace baseline {
KELMAR_GROWTH_KERNELS
}
namespace avx2 {
KELMAR_GROWTH_KERNELS
}

#undef KELMAR_GROWTH_KERNELS

}  // namespace kelmar::kernels
