// The system's one uniform random stream: MT19937 (the reference init_genrand seeding, default
// seed 5489). A double is made from two successive 32-bit outputs a, b as
// ((a >> 5) * 2^26 + (b >> 6)) / 2^53; an exact 0 is discarded and the next drawn, so every draw
// lies in the open interval (0, 1). Seed 42 starts 0.3745401188473625, 0.9507143064099162.
#pragma once

#include <cstdint>
#include <random>
#include <span>

namespace kelmar {

class RandomStream {
  public:
    static constexpr std::uint32_t kDefaultSeed = 5489u;

    explicit RandomStream(std::uint32_t seed = kDefaultSeed) : engine_(seed) {}

    void seed(std::uint32_t seed) { engine_.seed(seed); }

    // The next raw 32-bit output of the generator.
    std::uint32_t next_u32() { return static_cast<std::uint32_t>(engine_()); }

    // The next double in (0, 1).
    double next_uniform() {
        while (true) {
            const std::uint32_t a = next_u32() >> 5;
            const std::uint32_t b = next_u32() >> 6;
            const double u = (a * 67108864.0 + b) / 9007199254740992.0;
            if (u != 0.0)
                return u;
        }
    }

    // Fills `out` with successive draws, in order.
    void fill_uniform(std::span<double> out) {
        for (double& u : out)
            u = next_uniform();
    }

    // The next 1-based index k = ceil(u * n), uniform on 1..n.
    std::int64_t next_index(std::int64_t n) { return index_from_uniform(next_uniform(), n); }

    static std::int64_t index_from_uniform(double u, std::int64_t n);

  private:
    std::mt19937 engine_;
};

// The stream of the desktop process, continued across calls.
RandomStream& process_random_stream();

}  // namespace kelmar
