#pragma once

#include <variant>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/ayanamsha/companion_ayanamsha.hpp"

namespace orbyx {

// A module mode subtracts its ayanamsha from the mean equinox, keeping the nutation; a
// companion ayanamsha is subtracted from the true equinox, as Swiss Ephemeris does.
using SiderealOrigin = std::variant<SiderealMode, AyanamshaDefinition, StarAyanamsha>;

// What a sidereal longitude subtracts from one on the true ecliptic of date, and what
// its rate subtracts.
struct SiderealOffset {
    double value_deg;
    double rate_deg_per_day;
};

Result<SiderealOffset, EphemerisError> sidereal_offset(const SiderealOrigin& origin, double tt_julian_day);

}  // namespace orbyx
