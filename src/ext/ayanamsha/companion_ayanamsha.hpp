#pragma once

#include <optional>
#include <string_view>
#include <variant>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "ext/ayanamsha/ayanamsha_of_date.hpp"
#include "ext/ayanamsha/star_ayanamsha.hpp"

namespace orbyx {

// An ayanamsha of the companion: carried by precession from an epoch, or kept by a star.
using CompanionAyanamsha = std::variant<AyanamshaDefinition, StarAyanamsha>;

// Any of the companion's named ayanamshas; nothing for another name.
std::optional<CompanionAyanamsha> named_companion_ayanamsha(std::string_view name);

// Degrees from the equinox of date to the origin at a TT Julian day: from the mean
// equinox, or from the true one when `with_nutation` adds the nutation in longitude.
Result<double, EphemerisError> companion_ayanamsha_deg(const CompanionAyanamsha& ayanamsha, double tt_julian_day,
                                                       bool with_nutation);

}  // namespace orbyx
