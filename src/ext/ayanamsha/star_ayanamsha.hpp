#pragma once

#include <optional>
#include <string_view>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "ext/ayanamsha/star_catalogue.hpp"

namespace orbyx {

// A sidereal origin that keeps a star at a fixed sidereal longitude: the ayanamsha is
// the star's apparent longitude of date less that longitude.
struct StarAyanamsha {
    CatalogueStar star;
    double sidereal_longitude_deg;
};

// "true_chitra", "true_revati", "true_pushya" or "galactic_centre"; nothing for another name.
std::optional<StarAyanamsha> named_star_ayanamsha(std::string_view name);

// Degrees from the equinox of date to the origin at a TT Julian day: from the mean
// equinox, or from the true one when `with_nutation` adds the nutation in longitude.
Result<double, EphemerisError> star_ayanamsha_deg(const StarAyanamsha& ayanamsha, double tt_julian_day,
                                                  bool with_nutation);

}  // namespace orbyx
