#include "kernel_set.hpp"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace kelmar {
namespace {

KernelSet chosen_at_start() {
    const char* forced = std::getenv("KELMAR6_CPU");
    if (forced != nullptr && std::strcmp(forced, "baseline") == 0)
        return KernelSet::baseline;
    return processor_has(KernelSet::avx2) ? KernelSet::avx2 : KernelSet::baseline;
}

std::atomic<KernelSet>& current() {
    static std::atomic<KernelSet> set{chosen_at_start()};
    return set;
}

}  // namespace

bool processor_has(KernelSet set) {
    if (set == KernelSet::baseline)
        return true;
#if KELMAR_HAS_AVX2_KERNELS
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

KernelSet kernel_set() {
    return current().load(std::memory_order_relaxed);
}

void use_kernel_set(KernelSet set) {
    if (processor_has(set))
        current().store(set, std::memory_order_relaxed);
}

const char* kernel_set_name(KernelSet set) {
    return set == KernelSet::avx2 ? "avx2" : "baseline";
}

}  // namespace kelmar
