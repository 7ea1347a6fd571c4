#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/sky/refraction.hpp"
#include "ext/sky/sky_frame.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/position_batch.hpp"

namespace orbyx {

class SpkEphemeris;

// Where a body stands in a site's sky: its apparent topocentric place of date and
// that place in the site's horizon. Degrees, as SkyPlace gives them: hour angle and
// declination about the terrestrial pole, right ascension of date.
struct HorizontalPlace {
    double altitude_deg;
    double azimuth_deg;
    double hour_angle_deg;
    double declination_deg;
    double right_ascension_deg;
    double local_apparent_sidereal_time_deg;
    double distance_au;
    TimeSource source;
};

// The horizon is the plane normal to the site's ellipsoidal vertical, carried by
// the Earth's rotation and its polar motion; the place is the one the engine's
// apparent topocentric positions give. Inside the time tables the Earth turns as the
// engine turns it; outside them by the time model earth_orientation falls back to.
// Without refraction. `target` is a NAIF id.
Result<HorizontalPlace, EphemerisError> horizontal_place(SpkEphemeris& engine, std::int32_t target,
                                                         const GeodeticObserver& observer,
                                                         const Instant& instant);
// With the altitude raised by refraction through `air`, if given.
Result<HorizontalPlace, EphemerisError> horizontal_place(SpkEphemeris& engine, std::int32_t target,
                                                         const GeodeticObserver& observer,
                                                         const Instant& instant,
                                                         const std::optional<Atmosphere>& air);

// Bodies (NAIF ids) over instants, checked before anything is evaluated, so that the caller
// sizes its result only for a request that can be answered.
struct HorizontalBatch {
    PositionBatch positions;
    std::vector<SkyFrame> frames;  // per instant
    std::optional<Atmosphere> air;
    TimeSource source;  // Tables only if every instant came from the time tables
};

// Altitude, azimuth, hour angle, declination and distance per entry, instant-major:
// the same bits as horizontal_place gives entry by entry.
inline constexpr std::size_t HORIZONTAL_VALUES_PER_ENTRY = 5;

Result<HorizontalBatch, EphemerisError> check_horizontal_places(SpkEphemeris& engine,
                                                                std::span<const std::int32_t> targets,
                                                                const GeodeticObserver& observer,
                                                                std::span<const Instant> instants,
                                                                const std::optional<Atmosphere>& air);
// `out` must hold HORIZONTAL_VALUES_PER_ENTRY values per entry of the batch.
Status<EphemerisError> horizontal_places(SpkEphemeris& engine, const HorizontalBatch& batch,
                                         std::span<double> out);

struct LocalSiderealTime {
    double degrees;  // [0, 360)
    TimeSource source;
};

// Greenwich apparent sidereal time plus the site's east longitude.
Result<LocalSiderealTime, EphemerisError> local_sidereal_time(const SpkEphemeris& engine,
                                                              const GeodeticObserver& observer,
                                                              const Instant& instant);

}  // namespace orbyx
