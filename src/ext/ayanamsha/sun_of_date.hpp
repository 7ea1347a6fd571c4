#pragma once

namespace orbyx {

// The Sun's geometric geocentric place on the mean ecliptic and equinox of date
// (longitude not reduced to one turn).
struct SunOfDate {
    double longitude_rad;
    double distance_au;
    // The Earth's orbit: its eccentricity and the longitude of its perihelion.
    double eccentricity;
    double perihelion_rad;
};

// Within 2" in longitude over 1900-2100: near the Sun a star's light bending changes by
// up to 0.03" for each arcsecond the Sun is off.
SunOfDate sun_of_date(double tt_julian_day);

}  // namespace orbyx
