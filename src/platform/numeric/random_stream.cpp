#include "random_stream.hpp"

#include <cmath>

namespace kelmar {

std::int64_t RandomStream::index_from_uniform(double u, std::int64_t n) {
    // u is in (0, 1), so u * n lies in (0, n] after rounding and the ceiling in 1..n.
    return static_cast<std::int64_t>(std::ceil(u * static_cast<double>(n)));
}

RandomStream& process_random_stream() {
    static RandomStream stream;
    return stream;
}

}  // namespace kelmar
