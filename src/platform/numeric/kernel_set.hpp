// The instruction set of the hot kernels (the bootstrap's and the permutation tests' products, the
// random stream's conversions): AVX2 with FMA where the processor has both, the x86-64 baseline
// (SSE2) elsewhere. The programs are built for the baseline, so they run on every x86-64
// processor; only these kernels have a second, faster version that is chosen when the process
// starts. KELMAR6_CPU=baseline in the environment forces the baseline (for tests, or to compare).
//
// Both versions compute every element in the same order; the AVX2 version rounds each
// multiply-add once (FMA) where the baseline rounds twice, so results may differ in their last
// bits between processors, never between runs or thread counts on one machine.
#pragma once

namespace kelmar {

enum class KernelSet { baseline, avx2 };

// The set in use: decided once, from the processor and KELMAR6_CPU.
KernelSet kernel_set();

// Whether the processor can run `set`.
bool processor_has(KernelSet set);

// Uses `set` from now on (the processor must have it): for tests that compare the two.
void use_kernel_set(KernelSet set);

const char* kernel_set_name(KernelSet set);

}  // namespace kelmar

// Whether the build has an AVX2 version of the kernels (x86-64 only).
#if defined(__x86_64__)
#define KELMAR_HAS_AVX2_KERNELS 1
#else
#define KELMAR_HAS_AVX2_KERNELS 0
#endif
