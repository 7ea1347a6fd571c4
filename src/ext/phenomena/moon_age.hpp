#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

struct MoonAge {
    double age_days;         // TT days since the new Moon
    double phase_angle_deg;  // the Moon's, from the geocentre
    Instant new_moon;        // in TT
};

// The Moon at `instant` counted from the last new Moon at or before it: the last
// instant at which its apparent geocentric ecliptic longitude equalled the Sun's.
Result<MoonAge, EphemerisError> moon_age(SpkEphemeris& engine, const Instant& instant);

}  // namespace orbyx
