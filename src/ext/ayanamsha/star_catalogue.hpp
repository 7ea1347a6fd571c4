#pragma once

#include <array>

namespace orbyx {

// A star's ICRS place at epoch J2000.0 and its proper motion.
struct CatalogueStar {
    double right_ascension_deg;
    double declination_deg;
    double proper_motion_ra_cos_dec_mas_per_year;
    double proper_motion_dec_mas_per_year;
};

// The stars that anchor the companion's star-based ayanamshas.
namespace catalogue {
extern const CatalogueStar SPICA;
extern const CatalogueStar ZETA_PISCIUM;
extern const CatalogueStar DELTA_CANCRI;
extern const CatalogueStar GALACTIC_CENTRE;
}  // namespace catalogue

// Unit vector towards the star in the ICRS, moved by its proper motion to a TT Julian
// day. Parallax (under 0.03" for these stars) and the radial velocity's perspective
// effect (under 0.001" in two centuries) are left out.
std::array<double, 3> star_direction_icrs(const CatalogueStar& star, double tt_julian_day);

}  // namespace orbyx
