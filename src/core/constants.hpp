#pragma once

namespace orbyx {

inline constexpr double J2000_JULIAN_DAY = 2451545.0;
inline constexpr double SECONDS_PER_DAY = 86400.0;
inline constexpr double DAYS_PER_JULIAN_CENTURY = 36525.0;
inline constexpr double ASTRONOMICAL_UNIT_KM = 149597870.7;
inline constexpr double SPEED_OF_LIGHT_KM_PER_S = 299792.458;
inline constexpr double SECONDS_PER_KM_OF_LIGHT = 3.3356409519815205e-6;
inline constexpr double ARCSECONDS_PER_TURN = 1296000.0;
inline constexpr double ARCSECONDS_TO_RADIANS = 4.84813681109536e-6;
inline constexpr double DEGREES_TO_RADIANS = 0.017453292519943295;
inline constexpr double RADIANS_TO_DEGREES = 57.29577951308232;
inline constexpr double J2000_MEAN_OBLIQUITY_ARCSEC = 84381.448;
inline constexpr double J2000_MEAN_OBLIQUITY_SIN = 0.39777715593191365;
inline constexpr double J2000_MEAN_OBLIQUITY_COS = 0.9174820620691818;
inline constexpr double GRS80_EQUATORIAL_RADIUS_M = 6378137.0;
inline constexpr double GRS80_ECCENTRICITY_SQUARED = 0.006694380022900787;
inline constexpr double GRS80_ONE_MINUS_ECCENTRICITY_SQUARED = 0.9933056199770992;
inline constexpr double EARTH_ROTATION_RATE_RAD_PER_S = 7.292115e-5;

// Altitudes offered to callers of the horizon-event searches: the Sun's upper limb
// at rise and set (-50'), and mean horizontal refraction alone (-34').
inline constexpr double SUN_UPPER_LIMB_ALTITUDE_DEG = -50.0 / 60.0;
inline constexpr double MEAN_REFRACTION_ALTITUDE_DEG = -34.0 / 60.0;

inline double julian_centuries_since_j2000(double julian_day) {
    return (julian_day - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_CENTURY;
}

inline double seconds_since_j2000(double julian_day) {
    return (julian_day - J2000_JULIAN_DAY) * SECONDS_PER_DAY;
}

inline double julian_day_from_seconds(double seconds_past_j2000) {
    return seconds_past_j2000 / SECONDS_PER_DAY + J2000_JULIAN_DAY;
}

}  // namespace orbyx
