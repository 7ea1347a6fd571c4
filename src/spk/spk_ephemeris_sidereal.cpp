#include "core/angle_reduction.hpp"
#include "core/ayanamsha.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Result<Position, EphemerisError> SpkEphemeris::sidereal_position(Body body, const Instant& instant,
                                                                 const PositionOptions& options,
                                                                 SiderealMode mode) {
    // The ayanamsha is measured along the ecliptic from the equinox of date, so only
    // an ecliptic-of-date longitude (mean or true) can have it subtracted.
    if (options.coordinate_system != CoordinateSystem::Ecliptic ||
        options.reference_epoch != ReferenceEpoch::OfDate) {
        return failure(EphemerisError::invalid_request("sidereal longitudes require ecliptic of date"));
    }
    const auto tropical = position(body, instant, options);
    if (!tropical) return tropical;
    const auto tt_julian_day = instant_as_tt(instant);
    if (!tt_julian_day) return failure(tt_julian_day.error());

    const auto ayanamsha = ayanamsha_deg(mode, *tt_julian_day);
    if (!ayanamsha) return failure(EphemerisError::invalid_request(message(ayanamsha.error())));
    const auto rate = ayanamsha_rate_deg_per_day(*tt_julian_day);
    if (!rate) return failure(EphemerisError::invalid_request(message(rate.error())));

    return Position{reduced_to_circle_deg(tropical->longitude_deg - *ayanamsha),
                    tropical->latitude_deg, tropical->distance_au,
                    tropical->longitude_speed_deg_per_day - *rate};
}

}  // namespace orbyx
