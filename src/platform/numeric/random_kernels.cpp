// Compiled twice, as KELMAR_KERNEL_SET names: for the baseline, and with -mavx2 -mfma. Everything
// here but the kernels has internal linkage and no standard library template is used, so no code
// compiled for AVX2 can stand in for a function the rest of the program calls.
#include "random_kernels.hpp"

#ifdef __AVX2__
#include <immintrin.h>
#endif

namespace kelmar::kernels::KELMAR_KERNEL_SET {
namespace {

constexpr std::size_t kN = 624;
constexpr std::size_t kM = 397;
constexpr std::uint32_t kMatrixA = 0x9908b0dfu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7fffffffu;

inline std::uint32_t twisted(std::uint32_t current, std::uint32_t next, std::uint32_t far) {
    const std::uint32_t y = (current & kUpper) | (next & kLower);
    return far ^ (y >> 1) ^ ((0u - (y & 1u)) & kMatrixA);
}

inline std::uint32_t tempered(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    return y ^ (y >> 18);
}

inline double pair_to_double(std::uint32_t a, std::uint32_t b) {
    const auto high = static_cast<std::int32_t>(a >> 5);
    const auto low = static_cast<std::int32_t>(b >> 6);
    return (high * 67108864.0 + low) * (1.0 / 9007199254740992.0);
}

}  // namespace

void twist(std::uint32_t* mt) {
    // The reference recurrence, split so that each loop reads only words it does not write in
    // the same pass; that lets the compiler vectorise them.
    for (std::size_t i = 0; i < kN - kM; ++i)
        mt[i] = twisted(mt[i], mt[i + 1], mt[i + kM]);
    // Here mt[i + kM - kN] was written 227 steps earlier, far beyond any vector width.
    constexpr std::size_t kLag = kN - kM;
    for (std::size_t base = kN - kM; base < kN - 1; base += kLag) {
        const std::size_t end = base + kLag < kN - 1 ? base + kLag : kN - 1;
        for (std::size_t i = base; i < end; ++i)
            mt[i] = twisted(mt[i], mt[i + 1], mt[i - kLag]);
    }
    mt[kN - 1] = twisted(mt[kN - 1], mt[0], mt[kM - 1]);
}

void temper_block(const std::uint32_t* state, std::uint32_t* block) {
    for (std::size_t i = 0; i < kN; ++i)
        block[i] = tempered(state[i]);
}

bool pairs_to_uniform(const std::uint32_t* words, std::size_t pairs, double* out) {
    std::size_t k = 0;
    bool zero = false;
#ifdef __AVX2__
    const __m256i shifts = _mm256_setr_epi32(5, 6, 5, 6, 5, 6, 5, 6);
    const __m256d scale = _mm256_setr_pd(67108864.0, 1.0, 67108864.0, 1.0);
    const __m256d unit = _mm256_set1_pd(1.0 / 9007199254740992.0);
    __m256d zeros = _mm256_setzero_pd();
    for (; k + 4 <= pairs; k += 4) {
        const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + 2 * k));
        const __m256i parts = _mm256_srlv_epi32(w, shifts);  // high, low, high, low, ...
        const __m256d first =
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(parts)), scale);
        const __m256d second =
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(parts, 1)), scale);
        // hadd gives pairs 0, 2, 1, 3; the permutation puts them back in order.
        const __m256d sums = _mm256_permute4x64_pd(_mm256_hadd_pd(first, second), 0xD8);
        const __m256d u = _mm256_mul_pd(sums, unit);
        zeros = _mm256_or_pd(zeros, _mm256_cmp_pd(u, _mm256_setzero_pd(), _CMP_EQ_OQ));
        _mm256_storeu_pd(out + k, u);
    }
    zero = _mm256_movemask_pd(zeros) != 0;
#endif
    for (; k < pairs; ++k) {
        out[k] = pair_to_double(words[2 * k], words[2 * k + 1]);
        zero |= out[k] == 0.0;
    }
    return !zero;
}

void uniforms_to_indices(const double* u, std::size_t count, double n, std::int32_t* out) {
    std::size_t k = 0;
#ifdef __AVX2__
    const __m256d scale = _mm256_set1_pd(n);
    for (; k + 4 <= count; k += 4) {
        const __m256d c = _mm256_ceil_pd(_mm256_mul_pd(_mm256_loadu_pd(u + k), scale));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm256_cvttpd_epi32(c));
    }
#endif
    for (; k < count; ++k)
        out[k] = static_cast<std::int32_t>(__builtin_ceil(u[k] * n));
}

}  // namespace kelmar::kernels::KELMAR_KERNEL_SET
