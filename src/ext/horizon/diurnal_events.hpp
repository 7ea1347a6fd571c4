#pragma once

#include <cstdint>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

enum class DiurnalEventKind { Rise, Set, UpperTransit, LowerTransit };

struct DiurnalEvent {
    double ut1_julian_day;
    DiurnalEventKind kind;
};

// What a rise or set crosses: the centre at an altitude, or, with a radius, the
// upper limb at that altitude (the limb's semidiameter follows from the distance).
struct HorizonTarget {
    double altitude_deg;
    double limb_radius_km = 0.0;
};

// Almanac practice: the Sun's centre 50' below the horizon (its upper limb under
// 34' of refraction, at a semidiameter of 16'), the Moon's upper limb under 34' of
// refraction at its distance, any other body's centre under the same.
HorizonTarget almanac_horizon(std::int32_t target);

enum class Twilight { Civil, Nautical, Astronomical };

// The Sun's centre 6, 12 or 18 degrees below the horizon.
HorizonTarget twilight_horizon(Twilight twilight);

// Every rise and set of `body` (a NAIF id) across `target` within [start, end), with the upper
// and lower meridian transits if asked, in time order. Instants of any scale;
// events are UT1 days.
Result<std::vector<DiurnalEvent>, EphemerisError> diurnal_events(SpkEphemeris& engine, std::int32_t body,
                                                                 const GeodeticObserver& observer,
                                                                 const Instant& start,
                                                                 const Instant& end,
                                                                 const HorizonTarget& target,
                                                                 bool with_transits);

}  // namespace orbyx
