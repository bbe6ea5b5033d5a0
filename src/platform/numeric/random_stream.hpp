// The system's one uniform random stream: MT19937 (the reference init_genrand seeding, default
// seed 5489). A double is made from two successive 32-bit outputs a, b as
// ((a >> 5) * 2^26 + (b >> 6)) / 2^53; an exact 0 is discarded and the next drawn, so every draw
// lies in the open interval (0, 1). Seed 42 starts 0.3745401188473625, 0.9507143064099162.
// The generator works a block of 624 outputs at a time so that bulk draws stay cheap.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kelmar {

class RandomStream {
  public:
    static constexpr std::uint32_t kDefaultSeed = 5489u;

    explicit RandomStream(std::uint32_t seed = kDefaultSeed) { this->seed(seed); }

    // Starts the stream again from `seed`.
    void seed(std::uint32_t seed);
    // The seed the stream started from, and the doubles drawn since (with fill_indices, one for
    // each index): together they say where the stream stands, so that a later analysis can be
    // repeated from the same place.
    std::uint32_t seed_used() const { return seed_; }
    std::uint64_t drawn() const { return drawn_; }
    // Draws `count` doubles and forgets them.
    void skip(std::uint64_t count);

    // The next raw 32-bit output of the generator.
    std::uint32_t next_u32() {
        if (position_ == kStateSize)
            refill();
        return block_[position_++];
    }

    // The next double in (0, 1).
    double next_uniform() {
        while (true) {
            const std::uint32_t a = next_u32() >> 5;
            const std::uint32_t b = next_u32() >> 6;
            const double u = (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
            if (u != 0.0) {
                ++drawn_;
                return u;
            }
        }
    }

    // Fills `out` with successive draws, in order: the same numbers as repeated next_uniform().
    void fill_uniform(std::span<double> out);

    // Fills `out` with the 1-based indexes ceil(u * n) of successive draws u: the same numbers as
    // repeated next_index(n), for n below 2^31.
    void fill_indices(std::span<std::int32_t> out, std::int32_t n);

    // The next 1-based index k = ceil(u * n), uniform on 1..n.
    std::int64_t next_index(std::int64_t n) { return index_from_uniform(next_uniform(), n); }

    // Whether the state word `y` may temper into an output below 64. Tempering is linear over
    // GF(2) and invertible, so the 64 words that do form a 6-dimensional subspace; all of them have
    // the bits of 0x6ac10a04 clear and bit i equal to bit i + 7 wherever 0x01e9732c is set. About
    // one word in 430,000 passes; every word below 64 does. Skipping tempers only blocks that hold
    // such a word.
    static bool may_temper_below_64(std::uint32_t y) {
        return ((y & 0x6ac10a04u) | ((y ^ (y >> 7)) & 0x01e9732cu)) == 0;
    }

    static std::int64_t index_from_uniform(double u, std::int64_t n) {
        // u is in (0, 1), so u * n lies in (0, n] after rounding and the ceiling in 1..n.
        return static_cast<std::int64_t>(std::ceil(u * static_cast<double>(n)));
    }

  private:
    static constexpr std::size_t kStateSize = 624;
    // The next block of the state by the reference recurrence, not tempered.
    void twist_state();
    // The next block: the state twisted and its outputs tempered into block_.
    void refill();
    template <typename T, typename Convert>
    void fill(std::span<T> out, Convert convert);

    std::array<std::uint32_t, kStateSize> state_{};
    std::array<std::uint32_t, kStateSize> block_{};  // tempered outputs of the current block
    std::size_t position_ = kStateSize;
    std::uint32_t seed_ = kDefaultSeed;
    std::uint64_t drawn_ = 0;
};

}  // namespace kelmar
