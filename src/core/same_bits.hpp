#pragma once

#include <bit>
#include <cstdint>

namespace orbyx {

// Whether two doubles are the same input to a computation: a remembered answer is
// reused only for exactly the bits it was computed from (0.0 and -0.0 differ here).
inline bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace orbyx
