#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/time/time_source.hpp"

namespace orbyx {

class SpkEphemeris;

// How the Earth stood at an instant: the days it turned by and was evaluated at,
// and the offset of its pole, with where they came from.
struct EarthOrientation {
    double ut1_julian_day;
    double tt_julian_day;
    double xp_arcsec;
    double yp_arcsec;
    TimeSource source;
};

// Inside the engine's time tables, exactly the values the engine turns a site by;
// outside them UT1 from the ΔT model (see rotation_epochs), and no polar motion
// beyond the Earth orientation table.
Result<EarthOrientation, EphemerisError> earth_orientation(const SpkEphemeris& engine,
                                                           const Instant& instant);

}  // namespace orbyx
