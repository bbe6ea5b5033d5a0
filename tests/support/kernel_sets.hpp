// Runs a computation on each kernel set the processor has, for tests that compare them.
#pragma once

#include "platform/numeric/kernel_set.hpp"

namespace kelmar::testing {

// Uses `set` while it lives, then the set in use before.
class UsingKernelSet {
  public:
    explicit UsingKernelSet(KernelSet set) { use_kernel_set(set); }
    ~UsingKernelSet() { use_kernel_set(before_); }
    UsingKernelSet(const UsingKernelSet&) = delete;
    UsingKernelSet& operator=(const UsingKernelSet&) = delete;

  private:
    KernelSet before_ = kernel_set();
};

// `compute()` on the baseline and on AVX2, or nothing when the processor lacks AVX2.
template <typename Compute>
auto on_both_kernel_sets(Compute compute) {
    using Result = decltype(compute());
    struct Both {
        bool ran = false;
        Result baseline{}, avx2{};
    } both;
    if (!processor_has(KernelSet::avx2))
        return both;
    {
        UsingKernelSet use(KernelSet::baseline);
        both.baseline = compute();
    }
    {
        UsingKernelSet use(KernelSet::avx2);
        both.avx2 = compute();
    }
    both.ran = true;
    return both;
}

}  // namespace kelmar::testing
