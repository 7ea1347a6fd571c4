#pragma once

#include <array>
#include <cstddef>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// The instants a chart's bodies are placed at: its own, then pairs around it for the
// rates of their longitudes, the nearest pair last.
inline constexpr std::size_t GEOCENTRIC_BODY_INSTANTS = 3;
inline constexpr std::size_t TOPOCENTRIC_BODY_INSTANTS = 5;

// What a chart reads its instant as: the instant the engine evaluates, its TT and
// UT1 days, and the instants its bodies are placed at, with the site's GCRS state at
// each for a topocentric chart.
struct ChartEpochs {
    Instant evaluable;
    double tt_julian_day;
    double ut1_julian_day;
    std::size_t body_instant_count;
    std::array<Instant, TOPOCENTRIC_BODY_INSTANTS> body_instants;
    std::array<CartesianState, TOPOCENTRIC_BODY_INSTANTS> sites;
};

Result<ChartEpochs, EphemerisError> chart_epochs(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                                 const Instant& instant, bool topocentric);

}  // namespace orbyx
