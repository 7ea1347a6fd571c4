#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// Angle from the equinox of date to the mode's sidereal origin at a TT Julian day,
// carried from its reference epoch by the IAU 2006 general precession in longitude.
Result<double, CoordinateError> ayanamsha_deg(SiderealMode mode, double tt_julian_day);

// IAU 2006 general precession in longitude p_A, arcseconds, at Julian centuries of TT
// from J2000.
double general_precession_arcsec(double julian_centuries);

// The same for every mode.
Result<double, CoordinateError> ayanamsha_rate_deg_per_day(double tt_julian_day);

}  // namespace orbyx
