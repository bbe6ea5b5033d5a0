// The random stream's hot loops in two versions of one source, `baseline` for every x86-64
// processor and `avx2`; both give the same bits (the arithmetic is exact). Plain pointers only:
// the AVX2 version is compiled apart with AVX2 enabled and shares nothing with the rest of the
// program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelmar::kernels {

#define KELMAR_RANDOM_KERNELS                                                                 \
    /* One round of the Mersenne twister's recurrence over its 624 words of state. */         \
    void twist(std::uint32_t* state);                                                         \
    /* The tempered outputs of the 624 words of state. */                                     \
    void temper_block(const std::uint32_t* state, std::uint32_t* block);                      \
    /* Doubles in [0, 1) from `pairs` pairs of outputs; false when a pair gave an exact 0. */ \
    bool pairs_to_uniform(const std::uint32_t* words, std::size_t pairs, double* out);        \
    /* ceil(u · n) of each of `count` draws u. */                                            \
    void uniforms_to_indices(const double* u, std::size_t count, double n, std::int32_t* out);

namespace baseline {
KELMAR_RANDOM_KERNELS
}
namespace avx2 {
KELMAR_RANDOM_KERNELS
}

#undef KELMAR_RANDOM_KERNELS

}  // namespace kelmar::kernels
