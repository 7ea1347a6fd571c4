#pragma once

#include <string_view>

namespace orbyx {

// Where a time-scale result comes from: the engine's leap-second kernel and Earth
// orientation table, the ΔT model joined to them outside their span, or nowhere
// when the instant already was in that scale.
enum class TimeSource { Unchanged, Tables, Model };

constexpr std::string_view canonical_name(TimeSource source) {
    switch (source) {
        case TimeSource::Unchanged: return "unchanged";
        case TimeSource::Tables: return "tables";
        case TimeSource::Model: return "model";
    }
    return "unchanged";
}

}  // namespace orbyx
