#include "ext/ayanamsha/annual_aberration.hpp"

#include <cmath>

#include "core/constants.hpp"

namespace orbyx {
namespace {

constexpr double ABERRATION_CONSTANT_DEG = 20.49552 / 3600.0;

// The Sun's longitude of date by the Astronomical Almanac's low-precision formula,
// good to 0.01 degree: it moves the aberration by under 0.004".
double sun_longitude_rad(double days_from_j2000) {
    const double mean_longitude_deg = 280.460 + 0.9856474 * days_from_j2000;
    const double mean_anomaly_rad = (357.528 + 0.9856003 * days_from_j2000) * DEGREES_TO_RADIANS;
    return (mean_longitude_deg + 1.915 * std::sin(mean_anomaly_rad) + 0.020 * std::sin(2.0 * mean_anomaly_rad)) *
           DEGREES_TO_RADIANS;
}

}  // namespace

// The classical expression for the Earth's elliptic heliocentric orbit (Meeus,
// Astronomical Algorithms, 2nd ed., ch. 23). It leaves out the Sun's motion about the
// barycentre and the Earth's about the Earth-Moon barycentre, 0.01" each at most.
double annual_aberration_in_longitude_deg(double longitude_deg, double latitude_deg, double tt_julian_day) {
    const double days = tt_julian_day - J2000_JULIAN_DAY;
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const double eccentricity = 0.016708634 - 0.000042037 * t;
    const double perihelion_rad = (102.93735 + 1.71946 * t) * DEGREES_TO_RADIANS;
    const double longitude_rad = longitude_deg * DEGREES_TO_RADIANS;
    const double shift = -std::cos(sun_longitude_rad(days) - longitude_rad) +
                         eccentricity * std::cos(perihelion_rad - longitude_rad);
    return ABERRATION_CONSTANT_DEG * shift / std::cos(latitude_deg * DEGREES_TO_RADIANS);
}

}  // namespace orbyx
