#pragma once

#include "core/errors.hpp"
#include "core/planar_rotation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// The observer unchanged, or NonFiniteState / InvalidLatitude (exactly +-90 passes).
// Any finite longitude is accepted.
Result<GeodeticObserver, CoordinateError> validate_observer(const GeodeticObserver& observer);

// Geodetic to terrestrial (ITRS) Cartesian position on GRS80, kilometres.
Vector3 terrestrial_position_km(double longitude_rad, double latitude_rad, double height_m);

// ITRS to the terrestrial intermediate frame: W = R3(-s') R2(xp) R1(yp).
Vector3 remove_polar_motion(const Vector3& itrs, double xp_rad, double yp_rad, double sprime_rad);

// The site's GCRS position (km) and velocity (km/s) from Earth rotation at UT1,
// IAU 2006/2000B precession-nutation at TT and polar motion xp, yp.
Result<CartesianState, CoordinateError> observer_gcrs_from_geodetic(
    const GeodeticObserver& observer, double ut1_julian_day, double tt_julian_day,
    double xp_arcsec, double yp_arcsec);

}  // namespace orbyx
