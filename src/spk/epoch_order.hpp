#pragma once

#include <cstddef>
#include <span>

namespace orbyx {

// Whether `epochs` never fall; a NaN compares false and so breaks the order.
inline bool in_increasing_order(std::span<const double> epochs) {
    for (std::size_t i = 1; i < epochs.size(); ++i) {
        if (!(epochs[i - 1] <= epochs[i])) return false;
    }
    return true;
}

}  // namespace orbyx
