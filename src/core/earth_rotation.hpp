#pragma once

#include "core/nutation.hpp"

namespace orbyx {

// Equinox-based IAU 2006/2000B Earth rotation. Angles in radians; sidereal times
// are reduced to [0, 2pi).

double earth_rotation_angle(double ut1_julian_day);

// Greenwich mean sidereal time, IAU 2006.
double gmst_iau2006(double ut1_julian_day, double tt_julian_day);

// Nutation in right ascension plus the two largest complementary terms.
double equation_of_equinoxes(double tt_julian_day, const Nutation& nutation);

// Greenwich apparent sidereal time; `nutation` must be IAU 2000B at the TT day.
double greenwich_apparent_sidereal_time(double ut1_julian_day, double tt_julian_day,
                                        const Nutation& nutation);
double greenwich_apparent_sidereal_time(double ut1_julian_day, double tt_julian_day);

double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day, const Nutation& nutation);
double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day);

// TIO locator s' (about -47 uas per century), from the TT day.
double tio_locator_rad(double tt_julian_day);

}  // namespace orbyx
