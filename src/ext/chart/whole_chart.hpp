#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/ayanamsha/sidereal_origin.hpp"
#include "ext/houses/house_system_names.hpp"

namespace orbyx {

class SpkEphemeris;

// Sun, Moon, Mercury to Pluto: the bodies of a chart, in this order.
inline constexpr std::size_t CHART_BODY_COUNT = 10;
inline constexpr std::size_t CHART_LUNAR_POINT_COUNT = 8;

// One chart as doubles, in this order: per body longitude, latitude, distance (au)
// and the true rate of the longitude; per lunar point (in LunarPointKind's order)
// longitude, latitude and rate; the twelve cusps; ascendant, MC, RAMC, true
// obliquity, Vertex, East Point; 1.0 where the fallback divided, else 0.0; the
// ayanamsha subtracted (0.0 when tropical); then per extra body, as per body.
namespace chart_layout {
inline constexpr std::size_t BODIES = 0;
inline constexpr std::size_t LUNAR_POINTS = BODIES + 4 * CHART_BODY_COUNT;
inline constexpr std::size_t CUSPS = LUNAR_POINTS + 3 * CHART_LUNAR_POINT_COUNT;
inline constexpr std::size_t ANGLES = CUSPS + 12;
inline constexpr std::size_t FALLBACK_USED = ANGLES + 6;
inline constexpr std::size_t AYANAMSHA = FALLBACK_USED + 1;
inline constexpr std::size_t VALUES = AYANAMSHA + 1;
inline constexpr std::size_t EXTRA_BODIES = VALUES;
}  // namespace chart_layout

struct ChartSettings {
    AnyHouseSystem system;
    std::optional<AnyHouseSystem> fallback;
    std::optional<SiderealOrigin> origin;
    bool topocentric;
    std::vector<std::int32_t> extra_targets;  // NAIF ids of bodies beyond the ten

    std::size_t values_per_chart() const { return chart_layout::VALUES + 4 * extra_targets.size(); }
};

// Which chart of a batch failed, and why.
struct ChartFailure {
    std::size_t chart;
    EphemerisError error;

    std::string message() const { return "chart " + std::to_string(chart) + ": " + error.message(); }
};

// Whole charts, each read at its instant as every computation of the companion reads
// instants: the bodies' apparent places on the true ecliptic and equinox of date,
// geocentric or seen from the site, the Moon's nodes and apsides and the site's
// houses, all sidereal when an origin is given. `observers` holds one site for every
// chart or one per instant; `out` takes settings.values_per_chart() per instant and holds
// nothing meaningful after a failure.
Status<ChartFailure> whole_charts(SpkEphemeris& engine, std::span<const GeodeticObserver> observers,
                                  std::span<const Instant> instants, const ChartSettings& settings,
                                  std::span<double> out);

}  // namespace orbyx
