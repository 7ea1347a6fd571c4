#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/time/scale_conversion.hpp"

namespace orbyx {

class SpkEphemeris;

// Where a body stands in a site's sky: its apparent topocentric place of date and
// that place in the site's horizon, without refraction. Degrees; azimuth from north
// through east in [0, 360), hour angle west of the meridian in (-180, 180].
struct HorizontalPlace {
    double altitude_deg;
    double azimuth_deg;
    double hour_angle_deg;
    double declination_deg;
    double right_ascension_deg;
    double local_apparent_sidereal_time_deg;
    double distance_au;
    TimeSource source;
};

// The horizon is the plane normal to the site's ellipsoidal vertical, carried by
// the Earth's rotation and its polar motion; the place is the one the engine's
// apparent topocentric positions give.
Result<HorizontalPlace, EphemerisError> horizontal_place(SpkEphemeris& engine, Body body,
                                                         const GeodeticObserver& observer,
                                                         const Instant& instant);

}  // namespace orbyx
