#include "ext/ayanamsha/star_light_path.hpp"

#include <array>
#include <cmath>

#include "core/constants.hpp"
#include "ext/ayanamsha/sun_of_date.hpp"

namespace orbyx {
namespace {

using Direction = std::array<double, 3>;

// 2GM/(c^2 au) of the Sun, radians: its light bending at one au (IERS Conventions 2010).
constexpr double SCHWARZSCHILD_DEFLECTION_AT_AU = 1.97412574336e-8;
constexpr double ABERRATION_CONSTANT_RAD = 20.49552 * ARCSECONDS_TO_RADIANS;

double dot(const Direction& a, const Direction& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The general-relativistic bending away from the Sun, `from_sun` the unit vector from the
// Sun to the Earth (Klioner 2003, AJ 125, 1580, the Sun's term).
Direction bent_by_the_sun(const Direction& star, const Direction& from_sun, double distance_au) {
    const double cosine = dot(star, from_sun);
    const double scale = SCHWARZSCHILD_DEFLECTION_AT_AU / distance_au / (1.0 + cosine);
    return {star[0] + scale * (from_sun[0] - cosine * star[0]), star[1] + scale * (from_sun[1] - cosine * star[1]),
            star[2] + scale * (from_sun[2] - cosine * star[2])};
}

// First order in v/c, the Earth's velocity from its elliptic orbit: the classical
// expression (Meeus, Astronomical Algorithms, 2nd ed., ch. 23), 0.01" from the
// barycentric one through the Sun's and the Moon's pulls.
Direction shifted_by_aberration(const Direction& star, const SunOfDate& sun) {
    const Direction velocity = {
        ABERRATION_CONSTANT_RAD * (std::sin(sun.longitude_rad) - sun.eccentricity * std::sin(sun.perihelion_rad)),
        ABERRATION_CONSTANT_RAD * (sun.eccentricity * std::cos(sun.perihelion_rad) - std::cos(sun.longitude_rad)),
        0.0};
    const double along = dot(star, velocity);
    return {star[0] + velocity[0] - along * star[0], star[1] + velocity[1] - along * star[1],
            star[2] + velocity[2] - along * star[2]};
}

}  // namespace

double seen_star_longitude_deg(double longitude_deg, double latitude_deg, double tt_julian_day) {
    const double longitude_rad = longitude_deg * DEGREES_TO_RADIANS;
    const double latitude_rad = latitude_deg * DEGREES_TO_RADIANS;
    const Direction star = {std::cos(latitude_rad) * std::cos(longitude_rad),
                            std::cos(latitude_rad) * std::sin(longitude_rad), std::sin(latitude_rad)};
    const SunOfDate sun = sun_of_date(tt_julian_day);
    const Direction from_sun = {-std::cos(sun.longitude_rad), -std::sin(sun.longitude_rad), 0.0};
    const Direction seen = shifted_by_aberration(bent_by_the_sun(star, from_sun, sun.distance_au), sun);
    return std::atan2(seen[1], seen[0]) * RADIANS_TO_DEGREES;
}

}  // namespace orbyx
