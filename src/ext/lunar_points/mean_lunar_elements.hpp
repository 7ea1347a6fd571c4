#pragma once

namespace orbyx {

// A direction on the ecliptic of date, degrees.
struct EclipticDirection {
    double longitude_deg;
    double latitude_deg;
};

// The Moon's mean ascending node at a TDB Julian day, on the mean ecliptic and mean
// equinox of date.
EclipticDirection mean_lunar_node(double tdb_julian_day);

// The Moon's mean apogee on the same axes: the point of the mean orbit, inclined on
// the ecliptic by its mean inclination, opposite the mean perigee.
EclipticDirection mean_lunar_apogee(double tdb_julian_day);

}  // namespace orbyx
