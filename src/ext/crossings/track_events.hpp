#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/ayanamsha/sidereal_origin.hpp"

namespace orbyx {

class SpkEphemeris;

enum class LongitudeDirection { Increasing, Decreasing };
enum class LatitudeDirection { Ascending, Descending };
// What begins at a station: retrograde (the longitude starts decreasing) or direct.
enum class StationKind { Retrograde, Direct };

std::string_view canonical_name(LongitudeDirection direction);
std::string_view canonical_name(LatitudeDirection direction);
std::string_view canonical_name(StationKind kind);

template <class Kind>
struct TrackEvent {
    double tt_julian_day;
    Kind kind;
};

// Every event in [start, end) of a body's (NAIF id's) apparent geocentric place on the true
// ecliptic of date, in time order. Longitudes are sidereal from `origin` if one is given
// (so the ayanamsha's own rate moves stations slightly).

// Where the longitude reaches `longitude_deg`, each way.
Result<std::vector<TrackEvent<LongitudeDirection>>, EphemerisError> longitude_crossings(
    SpkEphemeris& engine, std::int32_t target, double longitude_deg, const Instant& start, const Instant& end,
    const std::optional<SiderealOrigin>& origin);

// Where the latitude changes sign.
Result<std::vector<TrackEvent<LatitudeDirection>>, EphemerisError> ecliptic_passages(
    SpkEphemeris& engine, std::int32_t target, const Instant& start, const Instant& end);

// Where the longitude's rate changes sign.
Result<std::vector<TrackEvent<StationKind>>, EphemerisError> stations(
    SpkEphemeris& engine, std::int32_t target, const Instant& start, const Instant& end,
    const std::optional<SiderealOrigin>& origin);

}  // namespace orbyx
