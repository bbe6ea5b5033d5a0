#include "random_stream.hpp"

#include <algorithm>
#include <cmath>

#include "kernel_set.hpp"
#include "random_kernels.hpp"

namespace kelmar {
namespace {

constexpr std::size_t kN = 624;  // the words of the state

// The reference tempering of one word of the state into an output.
inline std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    return y ^ (y >> 18);
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

// The processor's version of the stream's hot loops; both give the same bits.
namespace {

struct RandomKernels {
    void (*twist)(std::uint32_t*);
    void (*temper_block)(const std::uint32_t*, std::uint32_t*);
    bool (*pairs_to_uniform)(const std::uint32_t*, std::size_t, double*);
    void (*uniforms_to_indices)(const double*, std::size_t, double, std::int32_t*);
};

RandomKernels random_kernels() {
    using namespace kernels;
    if (kernel_set() == KernelSet::avx2)
        return {avx2::twist, avx2::temper_block, avx2::pairs_to_uniform, avx2::uniforms_to_indices};
    return {baseline::twist, baseline::temper_block, baseline::pairs_to_uniform,
            baseline::uniforms_to_indices};
}

}  // namespace

void RandomStream::twist_state() {
    random_kernels().twist(state_.data());
}

void RandomStream::refill() {
    const RandomKernels k = random_kernels();
    k.twist(state_.data());
    k.temper_block(state_.data(), block_.data());
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

struct ToUniform {
    bool operator()(const std::uint32_t* words, std::size_t pairs, double* out) const {
        return random_kernels().pairs_to_uniform(words, pairs, out);
    }
    double one(double u) const { return u; }
};

struct ToIndex {
    double n;
    bool operator()(const std::uint32_t* words, std::size_t pairs, std::int32_t* out) const {
        double u[kN / 2];  // a run has at most 312 pairs
        const RandomKernels k = random_kernels();
        const bool clean = k.pairs_to_uniform(words, pairs, u);
        k.uniforms_to_indices(u, pairs, n, out);
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
