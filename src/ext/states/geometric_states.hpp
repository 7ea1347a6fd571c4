#pragma once

#include <cstdint>
#include <span>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// geometric_state at each instant, written as six doubles per instant (km, km/s) into
// `rows`, which holds 6 * instants.size(): one batch evaluation per body, each segment's
// records read once, every row equal to geometric_state's bit for bit. On failure the
// contents of `rows` are meaningless.
Status<EphemerisError> geometric_states(SpkEphemeris& engine, std::int32_t target, std::int32_t center,
                                        std::span<const Instant> instants, std::span<double> rows);

}  // namespace orbyx
