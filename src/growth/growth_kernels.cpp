// Compiled twice, as KELMAR_KERNEL_SET names: for the baseline, and with -mavx2 -mfma. Everything
// here but the kernel itself has internal linkage and no standard library template is used, so
// no code compiled for AVX2 can stand in for a function the rest of the program calls.
#include "growth_kernels.hpp"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace kelmar::kernels::KELMAR_KERNEL_SET {
namespace {

#ifdef __AVX2__
// Four lanes, each multiply-add rounded once.
using Packet = __m256d;
constexpr std::ptrdiff_t kLanes = 4;
inline Packet zero() {
    return _mm256_setzero_pd();
}
inline Packet broadcast(double v) {
    return _mm256_set1_pd(v);
}
inline Packet load(const double* p) {
    return _mm256_loadu_pd(p);
}
inline void store(double* p, Packet v) {
    _mm256_storeu_pd(p, v);
}
inline Packet multiply_add(Packet w, Packet t, Packet sum) {
    return _mm256_fmadd_pd(w, t, sum);
}
inline double multiply_add(double w, double t, double sum) {
    return __builtin_fma(w, t, sum);  // one instruction here, and loops of it vectorise
}
#elif defined(__SSE2__)
// Two lanes, a multiply and an add, as every x86-64 processor has them.
using Packet = __m128d;
constexpr std::ptrdiff_t kLanes = 2;
inline Packet zero() {
    return _mm_setzero_pd();
}
inline Packet broadcast(double v) {
    return _mm_set1_pd(v);
}
inline Packet load(const double* p) {
    return _mm_loadu_pd(p);
}
inline void store(double* p, Packet v) {
    _mm_storeu_pd(p, v);
}
inline Packet multiply_add(Packet w, Packet t, Packet sum) {
    return _mm_add_pd(_mm_mul_pd(w, t), sum);
}
inline double multiply_add(double w, double t, double sum) {
    return w * t + sum;  // the build never contracts this into one rounding
}
#else
// Other processors: one lane.
using Packet = double;
constexpr std::ptrdiff_t kLanes = 1;
inline Packet zero() {
    return 0.0;
}
inline Packet broadcast(double v) {
    return v;
}
inline Packet load(const double* p) {
    return *p;
}
inline void store(double* p, Packet v) {
    *p = v;
}
inline double multiply_add(double w, double t, double sum) {
    return w * t + sum;
}
#endif

struct Operands {
    const double* a;
    std::ptrdiff_t a_stride;
    const double* e;
    std::ptrdiff_t n, d;
    double* out;
    std::ptrdiff_t out_stride;
};

// Rows r0 … r0 + Rows − 1, Packets·kLanes coordinates from c0: the sums stay in registers while
// the n terms pass, each lane of each packet one element's own chain of multiply-adds.
template <int Rows, int Packets>
void packet_block(const Operands& m, std::ptrdiff_t r0, std::ptrdiff_t c0) {
    Packet sum[Rows][Packets];
    for (int q = 0; q < Rows; ++q) {
        for (int p = 0; p < Packets; ++p)
            sum[q][p] = zero();
    }
    const double* coefficients[Rows];
    for (int q = 0; q < Rows; ++q)
        coefficients[q] = m.a + (r0 + q) * m.a_stride;
    const double* term = m.e + c0;
    for (std::ptrdiff_t j = 0; j < m.n; ++j, term += m.d) {
        Packet t[Packets];
        for (int p = 0; p < Packets; ++p)
            t[p] = load(term + p * kLanes);
        for (int q = 0; q < Rows; ++q) {
            const Packet w = broadcast(coefficients[q][j]);
            for (int p = 0; p < Packets; ++p)
                sum[q][p] = multiply_add(w, t[p], sum[q][p]);
        }
    }
    for (int q = 0; q < Rows; ++q) {
        for (int p = 0; p < Packets; ++p)
            store(m.out + (r0 + q) * m.out_stride + c0 + p * kLanes, sum[q][p]);
    }
}

// One coordinate of rows r0 … r0 + rows − 1, one multiply-add at a time, as a lane makes them.
void scalar_column(const Operands& m, std::ptrdiff_t r0, std::ptrdiff_t rows, std::ptrdiff_t c) {
    for (std::ptrdiff_t r = r0; r < r0 + rows; ++r) {
        double sum = 0.0;
        for (std::ptrdiff_t j = 0; j < m.n; ++j)
            sum = multiply_add(m.a[r * m.a_stride + j], m.e[j * m.d + c], sum);
        m.out[r * m.out_stride + c] = sum;
    }
}

template <int Rows>
void row_block(const Operands& m, std::ptrdiff_t r0) {
    std::ptrdiff_t c0 = 0;
    for (; c0 + 3 * kLanes <= m.d; c0 += 3 * kLanes)
        packet_block<Rows, 3>(m, r0, c0);
    for (; c0 + 2 * kLanes <= m.d; c0 += 2 * kLanes)
        packet_block<Rows, 2>(m, r0, c0);
    for (; c0 + kLanes <= m.d; c0 += kLanes)
        packet_block<Rows, 1>(m, r0, c0);
    for (; c0 < m.d; ++c0)
        scalar_column(m, r0, Rows, c0);
}

inline Packet add(Packet a, Packet b) {
    return a + b;
}

// The sums of weighted_sums for Packets·kLanes coordinates from c0, kept in registers.
template <int Packets, bool WithSum>
void weighted_sums_block(const double* e0, std::ptrdiff_t d, const std::ptrdiff_t* js,
                         const double* w, std::size_t count, std::ptrdiff_t c0, double* sum,
                         double* slope) {
    Packet s[Packets];
    Packet t[Packets];
    for (int p = 0; p < Packets; ++p)
        s[p] = t[p] = zero();
    for (std::size_t m = 0; m < count; ++m) {
        const double* e = e0 + js[m] * d + c0;
        const Packet weight = broadcast(w[m]);
        for (int p = 0; p < Packets; ++p) {
            const Packet v = load(e + p * kLanes);
            if constexpr (WithSum)
                s[p] = add(s[p], v);
            t[p] = multiply_add(weight, v, t[p]);
        }
    }
    for (int p = 0; p < Packets; ++p) {
        if constexpr (WithSum)
            store(sum + c0 + p * kLanes, s[p]);
        store(slope + c0 + p * kLanes, t[p]);
    }
}

// One coordinate's sums, one multiply-add at a time, as a lane makes them.
template <bool WithSum>
void weighted_sums_column(const double* e0, std::ptrdiff_t d, const std::ptrdiff_t* js,
                          const double* w, std::size_t count, std::ptrdiff_t c, double* sum,
                          double* slope) {
    double s = 0.0, t = 0.0;
    for (std::size_t m = 0; m < count; ++m) {
        const double v = e0[js[m] * d + c];
        s += v;
        t = multiply_add(w[m], v, t);
    }
    if constexpr (WithSum)
        sum[c] = s;
    slope[c] = t;
}

template <bool WithSum>
void weighted_sums_all(const double* e0, std::ptrdiff_t d, const std::ptrdiff_t* js,
                       const double* w, std::size_t count, double* sum, double* slope) {
    std::ptrdiff_t c0 = 0;
    for (; c0 + 4 * kLanes <= d; c0 += 4 * kLanes)
        weighted_sums_block<4, WithSum>(e0, d, js, w, count, c0, sum, slope);
    for (; c0 + 2 * kLanes <= d; c0 += 2 * kLanes)
        weighted_sums_block<2, WithSum>(e0, d, js, w, count, c0, sum, slope);
    for (; c0 + kLanes <= d; c0 += kLanes)
        weighted_sums_block<1, WithSum>(e0, d, js, w, count, c0, sum, slope);
    for (; c0 < d; ++c0)
        weighted_sums_column<WithSum>(e0, d, js, w, count, c0, sum, slope);
}

}  // namespace

void weighted_sums(const double* e0, std::ptrdiff_t d, const std::ptrdiff_t* js, const double* w,
                   std::size_t count, double* sum, double* slope) {
    if (sum != nullptr)
        weighted_sums_all<true>(e0, d, js, w, count, sum, slope);
    else
        weighted_sums_all<false>(e0, d, js, w, count, sum, slope);
}

void slope_weights_4(double* t, std::size_t count, bool* varies) {
    // The caller's memory is aligned for its own build (16 bytes for the baseline), so the
    // lanes are read and written without assuming more than a double's alignment.
    typedef double Lanes __attribute__((vector_size(4 * sizeof(double)), aligned(8)));
    using LaneFlags = long long __attribute__((vector_size(4 * sizeof(long long))));
    Lanes* tw = reinterpret_cast<Lanes*>(t);
    LaneFlags differs = {0, 0, 0, 0};
    Lanes total = {0.0, 0.0, 0.0, 0.0};
    for (std::size_t q = 0; q < count; ++q) {
        differs |= tw[q] != tw[0];
        total += tw[q];
    }
    for (int lane = 0; lane < 4; ++lane)
        varies[lane] = count >= 2 && differs[lane] != 0;
    const double n = static_cast<double>(count);
    const Lanes mean = total / n;
    Lanes deviation_sum = {0.0, 0.0, 0.0, 0.0};
    for (std::size_t q = 0; q < count; ++q) {
        tw[q] -= mean;
        deviation_sum += tw[q];
    }
    const Lanes correction = deviation_sum / n;
    Lanes sum_of_squares = {0.0, 0.0, 0.0, 0.0};
    for (std::size_t q = 0; q < count; ++q) {
        tw[q] -= correction;
        sum_of_squares += tw[q] * tw[q];
    }
    for (std::size_t q = 0; q < count; ++q)
        tw[q] /= sum_of_squares;
}

void ordered_rows(const double* a, std::ptrdiff_t a_stride, std::ptrdiff_t rows, const double* e,
                  std::ptrdiff_t n, std::ptrdiff_t d, double* out, std::ptrdiff_t out_stride) {
    const Operands m{a, a_stride, e, n, d, out, out_stride};
    std::ptrdiff_t r0 = 0;
    for (; r0 + 4 <= rows; r0 += 4)
        row_block<4>(m, r0);
    for (; r0 < rows; ++r0)
        row_block<1>(m, r0);
}

}  // namespace kelmar::kernels::KELMAR_KERNEL_SET
