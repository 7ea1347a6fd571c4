#include "ext/ayanamsha/sidereal_origin.hpp"

#include "core/ayanamsha.hpp"
#include "core/constants.hpp"
#include "spk/ecliptic_of_date_search.hpp"

namespace orbyx {
namespace {

Result<SiderealOffset, EphemerisError> offset_of(SiderealMode mode, double tt_julian_day) {
    const auto ayanamsha = ayanamsha_deg(mode, tt_julian_day);
    if (!ayanamsha) return failure(EphemerisError::invalid_request(message(ayanamsha.error())));
    const auto rate = ayanamsha_rate_deg_per_day(tt_julian_day);
    if (!rate) return failure(EphemerisError::invalid_request(message(rate.error())));
    return SiderealOffset{*ayanamsha, *rate};
}

// Its nutation moves a companion ayanamsha's rate by up to 5e-5 degree a day, a star's
// aberration by up to 6e-6 and its light bending by far more behind the Sun, so the rate
// is a central difference over a minute, good to 1e-9 degree a day away from the Sun.
Result<SiderealOffset, EphemerisError> offset_of(const CompanionAyanamsha& companion, double tt_julian_day) {
    constexpr double HALF_STEP_DAYS = 60.0 / SECONDS_PER_DAY;
    const auto ayanamsha = companion_ayanamsha_deg(companion, tt_julian_day, true);
    if (!ayanamsha) return failure(ayanamsha.error());
    const auto before = companion_ayanamsha_deg(companion, tt_julian_day - HALF_STEP_DAYS, true);
    if (!before) return failure(before.error());
    const auto after = companion_ayanamsha_deg(companion, tt_julian_day + HALF_STEP_DAYS, true);
    if (!after) return failure(after.error());
    return SiderealOffset{*ayanamsha, angular_error_deg(*after, *before) / (2.0 * HALF_STEP_DAYS)};
}

}  // namespace

Result<SiderealOffset, EphemerisError> sidereal_offset(const SiderealOrigin& origin, double tt_julian_day) {
    // Either companion alternative converts to the CompanionAyanamsha it is one of.
    return std::visit([&](const auto& chosen) { return offset_of(chosen, tt_julian_day); }, origin);
}

}  // namespace orbyx
