#pragma once

#include <string_view>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// Where a converted instant comes from. Every conversion today reads the engine's
// leap-second kernel and Earth orientation table; dates outside them are refused.
enum class TimeSource { Unchanged, Tables };

std::string_view canonical_name(TimeSource source);

struct ConvertedInstant {
    Instant instant;
    TimeSource source;
};

// `instant` in `target`, by the same relations the engine applies to it when it
// evaluates positions and events.
Result<ConvertedInstant, EphemerisError> convert_instant(const SpkEphemeris& engine,
                                                         const Instant& instant,
                                                         TimeScale target);

}  // namespace orbyx
