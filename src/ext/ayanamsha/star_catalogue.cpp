#include "ext/ayanamsha/star_catalogue.hpp"

#include <cmath>

#include "core/constants.hpp"

namespace orbyx {

namespace catalogue {
// Hipparcos, the new reduction (van Leeuwen 2007, A&A 474, 653): HIP 65474, 5737, 42911.
const CatalogueStar SPICA = {201.29824736, -11.16131949, -42.35, -30.67};
const CatalogueStar ZETA_PISCIUM = {18.43286396, 7.57535403, 145.00, -55.69};
const CatalogueStar DELTA_CANCRI = {131.17124671, 18.15430650, -17.67, -229.25};
// Sgr A*, the radio source at the Galaxy's centre (Reid & Brunthaler 2004, ApJ 616,
// 872): 17h45m40.0409s -29d00'28.118", moving with the Sun's orbit about it.
const CatalogueStar GALACTIC_CENTRE = {266.41683708, -29.00781056, -3.151, -5.547};
}  // namespace catalogue

std::array<double, 3> star_direction_icrs(const CatalogueStar& star, double tt_julian_day) {
    constexpr double MAS_TO_RADIANS = ARCSECONDS_TO_RADIANS / 1000.0;
    constexpr double DAYS_PER_JULIAN_YEAR = 365.25;
    const double years = (tt_julian_day - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_YEAR;
    const double alpha = star.right_ascension_deg * DEGREES_TO_RADIANS;
    const double delta = star.declination_deg * DEGREES_TO_RADIANS;
    const double east = star.proper_motion_ra_cos_dec_mas_per_year * MAS_TO_RADIANS * years;
    const double north = star.proper_motion_dec_mas_per_year * MAS_TO_RADIANS * years;
    // Along the tangent plane, then back onto the sphere: the curvature the step leaves
    // out is (arc)^2, 1e-8 radian after two centuries.
    const double x = std::cos(delta) * std::cos(alpha) - east * std::sin(alpha) -
                     north * std::sin(delta) * std::cos(alpha);
    const double y = std::cos(delta) * std::sin(alpha) + east * std::cos(alpha) -
                     north * std::sin(delta) * std::sin(alpha);
    const double z = std::sin(delta) + north * std::cos(delta);
    const double length = std::sqrt(x * x + y * y + z * z);
    return {x / length, y / length, z / length};
}

}  // namespace orbyx
