#pragma once

#include <cstdint>
#include <span>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/position_batch.hpp"

namespace orbyx {

class SpkEphemeris;

// The engine's positions, with a topocentric site turned by turned_site: inside the
// time tables the engine's own bits, beyond them UT1 from the ΔT model, so that a
// topocentric request works on every day of the kernel. Other origins go to the
// engine unchanged.
Result<PositionBatch, EphemerisError> check_any_date_positions(const SpkEphemeris& engine,
                                                               std::span<const std::int32_t> targets,
                                                               std::span<const Instant> instants,
                                                               const PositionOptions& options);
Result<Position, EphemerisError> any_date_position(SpkEphemeris& engine, std::int32_t target,
                                                   const Instant& instant, const PositionOptions& options);

}  // namespace orbyx
