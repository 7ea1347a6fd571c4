#pragma once

#include <optional>
#include <string_view>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "ext/ayanamsha/precession_models.hpp"

namespace orbyx {

// A sidereal origin fixed by its distance from the mean equinox at one epoch; at any
// other day it moves with the general precession in longitude of `precession`.
struct AyanamshaDefinition {
    double reference_tt_julian_day;
    double value_deg;
    PrecessionModel precession = PrecessionModel::Iau2006;
};

// The companion's named ayanamshas ("krishnamurti", "raman", "yukteshwar", "j2000",
// "j1900", "b1950"); nothing for another name.
std::optional<AyanamshaDefinition> named_ayanamsha(std::string_view name);

// Degrees from the equinox of date to the origin at a TT Julian day: from the mean
// equinox, or from the true one when `with_nutation` adds the nutation in longitude.
Result<double, EphemerisError> ayanamsha_of_date_deg(const AyanamshaDefinition& definition,
                                                     double tt_julian_day, bool with_nutation);

}  // namespace orbyx
