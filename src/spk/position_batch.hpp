#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/types.hpp"

namespace orbyx {

// A batch position request that has passed every check that needs no kernel, so
// that its result is sized, and allocated, only for a request that can be evaluated.
struct PositionBatch {
    PositionOptions options;  // resolved
    std::int32_t center;
    std::vector<std::int32_t> targets;            // per body
    std::vector<double> epochs;                   // per instant, TDB seconds past J2000
    std::vector<CartesianState> observer_states;  // per instant, topocentric requests only
    std::size_t entry_count;                      // instants x bodies

    static constexpr std::size_t VALUES_PER_ENTRY = 4;
    std::size_t value_count() const { return entry_count * VALUES_PER_ENTRY; }
};

}  // namespace orbyx
