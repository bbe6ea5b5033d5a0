// The libFuzzer entry of one target, chosen when it is compiled (KELMAR_FUZZ_TARGET).
#include "targets.hpp"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelmar::fuzz::KELMAR_FUZZ_TARGET(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
