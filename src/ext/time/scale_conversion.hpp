#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/time/time_source.hpp"

namespace orbyx {

class SpkEphemeris;

struct ConvertedInstant {
    Instant instant;
    TimeSource source;
};

// `instant` in `target`. Inside the engine's time kernels, by the same relations the
// engine applies to it when it evaluates positions and events; outside them by the
// ΔT model joined to them (see rotation_epochs). TT and TDB convert on any day with
// the engine's TDB - TT terms; UTC needs the leap-second kernel, and before its first
// entry, where UTC is read as UT1, the Earth orientation table too; UT1 needs both.
Result<ConvertedInstant, EphemerisError> convert_instant(const SpkEphemeris& engine,
                                                         const Instant& instant,
                                                         TimeScale target);

// The instant as the engine can evaluate it: unchanged wherever the engine's own time
// kernels reach it, else its TT day by the ΔT model, so that every computation of
// the companion reads a UTC day before 1972 as UT1 and takes UT1 beyond the EOP table.
Result<Instant, EphemerisError> evaluable_instant(const SpkEphemeris& engine, const Instant& instant);

}  // namespace orbyx
