#pragma once

#include <optional>
#include <string_view>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/ayanamsha/sidereal_origin.hpp"

namespace orbyx {

class SpkEphemeris;

// The Moon's nodes and apsides, mean or osculating, and the points opposite them.
enum class LunarPointKind {
    MeanNode,
    TrueNode,
    MeanSouthNode,
    TrueSouthNode,
    MeanApogee,
    OsculatingApogee,
    MeanPerigee,
    OsculatingPerigee,
};

// The name used at the Python surface, such as "mean_node"; nothing for another name.
std::optional<LunarPointKind> parse_lunar_point(std::string_view name);

// Degrees on the true ecliptic and equinox of date, sidereal when an origin is given.
struct LunarPoint {
    double longitude_deg;
    double latitude_deg;
    double longitude_speed_deg_per_day;
};

LunarPoint point_opposite(const LunarPoint& point);

// The tropical point at an instant the engine can evaluate (see evaluable_instant)
// whose TT day the caller has already found.
Result<LunarPoint, EphemerisError> tropical_lunar_point(SpkEphemeris& engine, LunarPointKind kind,
                                                        const Instant& evaluable, double tt_julian_day);

// The four points the others lie opposite, for the cost of two.
struct NorthLunarPoints {
    LunarPoint mean_node, true_node, mean_apogee, osculating_apogee;
};
Result<NorthLunarPoints, EphemerisError> tropical_north_lunar_points(SpkEphemeris& engine, const Instant& evaluable,
                                                                     double tt_julian_day);

// The point at `instant`, read as every computation of the companion reads instants.
Result<LunarPoint, EphemerisError> lunar_point(SpkEphemeris& engine, LunarPointKind kind, const Instant& instant,
                                               std::optional<SiderealOrigin> origin);

}  // namespace orbyx
