#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/time/time_source.hpp"

namespace orbyx {

class SpkEphemeris;

// The TT day of an instant and the UT1 day the Earth turned by at it.
struct RotationEpochs {
    double tt_julian_day;
    double ut1_julian_day;
    TimeSource source;
};

// Where the leap-second kernel and the Earth orientation table both cover the
// instant, exactly the engine's epochs. Elsewhere UT1 = TT - ΔT from the ΔT model
// joined to them, TT from UTC still by the leap-second kernel where it covers, and a
// UTC day before the kernel's first entry read as UT1. Needs both time kernels.
Result<RotationEpochs, EphemerisError> rotation_epochs(const SpkEphemeris& engine,
                                                       const Instant& instant);

}  // namespace orbyx
