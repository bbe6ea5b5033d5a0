#include "random_stream.hpp"

#include <algorithm>
#include <cmath>

#ifdef __AVX2__
#include <immintrin.h>
#endif

namespace kelmar {
namespace {

constexpr std::size_t kN = 624;
constexpr std::size_t kM = 397;
constexpr std::uint32_t kMatrixA = 0x9908b0dfu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7fffffffu;

// The reference tempering of one word of the state into an output.
inline std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    return y ^ (y >> 18);
}

inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t far) {
    const std::uint32_t y = (current & kUpper) | (next & kLower);
    return far ^ (y >> 1) ^ ((0u - (y & 1u)) & kMatrixA);
}

}  // namespace

void RandomStream::seed(std::uint32_t seed) {
    seed_ = seed;
    drawn_ = 0;
    state_[0] = seed;
    for (std::size_t i = 1; i < kN; ++i) {
        state_[i] =
            1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
    }
    position_ = kN;
}

void RandomStream::twist_state() {
    std::uint32_t* mt = state_.data();
    // The reference recurrence, split so that each loop reads only words it does not write in
    // the same pass; that lets the compiler vectorise them.
    for (std::size_t i = 0; i < kN - kM; ++i) {
        mt[i] = twist(mt[i], mt[i + 1], mt[i + kM]);
    }
    // Here mt[i + kM - kN] was written 227 steps earlier, far beyond any vector width.
    constexpr std::size_t kLag = kN - kM;
    for (std::size_t base = kN - kM; base < kN - 1; base += kLag) {
        const std::size_t end = base + kLag < kN - 1 ? base + kLag : kN - 1;
        for (std::size_t i = base; i < end; ++i) {
            mt[i] = twist(mt[i], mt[i + 1], mt[i - kLag]);
        }
    }
    mt[kN - 1] = twist(mt[kN - 1], mt[0], mt[kM - 1]);
}

void RandomStream::refill() {
    twist_state();
    for (std::size_t i = 0; i < kN; ++i)
        block_[i] = temper(state_[i]);
    position_ = 0;
}

namespace {

// The double in [0, 1) made from the pair of outputs (a, b); 0 only when the stream must
// discard the pair.
inline double pair_to_double(std::uint32_t a, std::uint32_t b) {
    const auto high = static_cast<std::int32_t>(a >> 5);
    const auto low = static_cast<std::int32_t>(b >> 6);
    return (high * 67108864.0 + low) * (1.0 / 9007199254740992.0);
}

// Converts a run of pairs to doubles, four at a time with AVX2 where the build has it; the
// arithmetic is exact either way, so both give the same bits. Returns false when a pair gave an
// exact 0.
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

struct ToUniform {
    bool operator()(const std::uint32_t* words, std::size_t pairs, double* out) const {
        return pairs_to_uniform(words, pairs, out);
    }
    double one(double u) const { return u; }
};

// ceil(u * n) of each of `count` draws u.
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
        out[k] = static_cast<std::int32_t>(std::ceil(u[k] * n));
}

struct ToIndex {
    double n;
    bool operator()(const std::uint32_t* words, std::size_t pairs, std::int32_t* out) const {
        double u[kN / 2];  // a run has at most 312 pairs
        const bool clean = pairs_to_uniform(words, pairs, u);
        uniforms_to_indices(u, pairs, n, out);
        return clean;
    }
    std::int32_t one(double u) const { return static_cast<std::int32_t>(std::ceil(u * n)); }
};

}  // namespace

template <typename T, typename Convert>
void RandomStream::fill(std::span<T> out, Convert convert) {
    std::size_t done = 0;
    while (done < out.size()) {
        const std::size_t pairs = std::min((kN - position_) / 2, out.size() - done);
        if (pairs == 0) {
            out[done++] = convert.one(next_uniform());  // the draw straddles two blocks
            continue;
        }
        // Convert a run of whole pairs of the current block in one loop; an exact 0 (one chance
        // in 2^53) shifts every later pair, so then the run is redone one draw at a time.
        T* target = out.data() + done;
        if (convert(block_.data() + position_, pairs, target)) {
            position_ += 2 * pairs;
            drawn_ += pairs;
        } else {
            for (std::size_t k = 0; k < pairs; ++k)
                target[k] = convert.one(next_uniform());
        }
        done += pairs;
    }
}

void RandomStream::fill_uniform(std::span<double> out) {
    fill(out, ToUniform{});
}

void RandomStream::fill_indices(std::span<std::int32_t> out, std::int32_t n) {
    fill(out, ToIndex{static_cast<double>(n)});
}

namespace {

// Whether the outputs of a state block hold a word below 64: only then can one of its pairs make
// an exact 0 (the first output below 32 and the second below 64), which the stream discards.
// Most blocks are cleared by a filter on the state words themselves (about one block in 700
// passes it); only those are tempered to look.
bool may_hold_zero_pair(const std::uint32_t* state, std::size_t count) {
    std::uint32_t candidates = 0;
    for (std::size_t i = 0; i < count; ++i)
        candidates |= static_cast<std::uint32_t>(RandomStream::may_temper_below_64(state[i]));
    if (candidates == 0)
        return false;
    std::uint32_t small = 0;
    for (std::size_t i = 0; i < count; ++i)
        small |= static_cast<std::uint32_t>(temper(state[i]) < 64u);
    return small != 0;
}

}  // namespace

void RandomStream::skip(std::uint64_t count) {
    // Draw by draw up to the end of the current block: a pair may straddle it.
    while (count > 0 && position_ < kStateSize - 1) {
        next_uniform();
        --count;
    }
    // Whole blocks of 624 words hold 312 pairs whatever the pairs' alignment: one word of the
    // block before may start the first pair, and then the last word starts the next. Unless a
    // block has a word small enough to make an exact 0, it is 312 draws, not converted.
    constexpr std::uint64_t kPairs = kStateSize / 2;
    while (count >= kPairs + 1) {
        const bool straddles = position_ == kStateSize - 1;
        const std::uint32_t carried = straddles ? block_[kStateSize - 1] : 0u;
        twist_state();
        if ((straddles && carried < 64u) || may_hold_zero_pair(state_.data(), kStateSize)) {
            for (std::size_t i = 0; i < kStateSize; ++i)
                block_[i] = temper(state_[i]);
            position_ = 0;
            // The rare block: its draws one by one, from the pair the block before started.
            if (straddles) {
                const double u = pair_to_double(carried, block_[0]);
                position_ = 1;
                if (u != 0.0) {
                    ++drawn_;
                    --count;
                } else {
                    next_uniform();  // the stream discards the pair and draws the next
                    --count;
                }
            }
            while (count > 0 && position_ < kStateSize - 1) {
                next_uniform();
                --count;
            }
            continue;
        }
        // The block's outputs were never stored: only its last, which starts the next pair
        // when the pairs straddle the blocks.
        if (straddles)
            block_[kStateSize - 1] = temper(state_[kStateSize - 1]);
        position_ = straddles ? kStateSize - 1 : kStateSize;
        drawn_ += kPairs;
        count -= kPairs;
    }
    for (; count > 0; --count)
        next_uniform();
}

}  // namespace kelmar
