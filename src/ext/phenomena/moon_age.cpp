#include "ext/phenomena/moon_age.hpp"

#include <optional>

#include "ext/phenomena/body_phenomena.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// Longer than the longest lunation (29.83 days), so a new Moon lies between.
constexpr double SEARCH_BACK_DAYS = 31.0;

}  // namespace

Result<MoonAge, EphemerisError> moon_age(SpkEphemeris& engine, const Instant& instant) {
    const auto converted = convert_instant(engine, instant, TimeScale::Tt);
    if (!converted) return failure(converted.error());
    const double tt = converted->instant.julian_day;
    std::optional<Instant> last_new_moon;
    Instant after{tt - SEARCH_BACK_DAYS, TimeScale::Tt};
    // At most two new Moons fall within the days searched.
    for (int found = 0; found < 3; ++found) {
        const auto new_moon = engine.next_sun_moon_elongation(after, 0.0);
        if (!new_moon) return failure(new_moon.error());
        if (new_moon->julian_day > tt) break;
        last_new_moon = *new_moon;
        after = *new_moon;
    }
    if (!last_new_moon) {
        return failure(EphemerisError::evaluation("no new Moon found in the 31 days before the instant"));
    }
    const auto seen = body_phenomena(engine, naif_id(Body::Moon), instant, std::nullopt);
    if (!seen) return failure(seen.error());
    return MoonAge{tt - last_new_moon->julian_day, seen->phase_angle_deg, *last_new_moon};
}

}  // namespace orbyx
