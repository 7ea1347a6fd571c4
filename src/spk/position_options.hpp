#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// The gate of every position request: expands `apparent` into the five corrections,
// refuses inconsistent frame choices and validates a topocentric observer. The
// result has `apparent` false; downstream code reads only the resolved fields.
Result<PositionOptions, EphemerisError> resolve_position_options(PositionOptions options);

}  // namespace orbyx
