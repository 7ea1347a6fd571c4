#include "ext/ayanamsha/star_ayanamsha.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/of_date_rotation.hpp"
#include "core/spherical.hpp"
#include "ext/ayanamsha/star_light_path.hpp"

namespace orbyx {
namespace {

struct NamedStarAyanamsha {
    std::string_view name;
    StarAyanamsha ayanamsha;
};

// Spica opposite the origin; zeta Piscium at 359d50', as Swiss Ephemeris has it, so that
// the origin stands 10' east of the star; delta Cancri at 106 deg; the Galactic Centre
// at 0 deg Sagittarius.
const NamedStarAyanamsha NAMED_STAR_AYANAMSHAS[] = {
    {"true_chitra", {catalogue::SPICA, 180.0}},
    {"true_revati", {catalogue::ZETA_PISCIUM, 359.0 + 50.0 / 60.0}},
    {"true_pushya", {catalogue::DELTA_CANCRI, 106.0}},
    {"galactic_centre", {catalogue::GALACTIC_CENTRE, 240.0}},
};

}  // namespace

std::optional<StarAyanamsha> named_star_ayanamsha(std::string_view name) {
    for (const auto& named : NAMED_STAR_AYANAMSHAS) {
        if (named.name == name) return named.ayanamsha;
    }
    return std::nullopt;
}

// The star's place as seen, light bending and aberration included, as Swiss Ephemeris
// measures its true ayanamshas.
Result<double, EphemerisError> star_ayanamsha_deg(const StarAyanamsha& ayanamsha, double tt_julian_day,
                                                  bool with_nutation) {
    if (!std::isfinite(tt_julian_day)) {
        return failure(EphemerisError::invalid_request("Julian day must be finite"));
    }
    const CartesianState icrs{star_direction_icrs(ayanamsha.star, tt_julian_day), {0.0, 0.0, 0.0}};
    const auto of_date = OfDateRotation(with_nutation, false, tt_julian_day).apply(icrs);
    if (!of_date) return failure(EphemerisError::invalid_request(message(of_date.error())));
    const auto place = to_spherical(*of_date);
    if (!place) return failure(EphemerisError::invalid_request(message(place.error())));
    const double seen_longitude_deg = seen_star_longitude_deg(place->longitude_deg, place->latitude_deg, tt_julian_day);
    return reduced_to_circle_deg(seen_longitude_deg - ayanamsha.sidereal_longitude_deg);
}

}  // namespace orbyx
