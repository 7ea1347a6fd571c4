#pragma once

#include <array>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// What a chart reads its instant as: the instant the engine evaluates, its TT and
// UT1 days, and the three instants its bodies are placed at (the chart's own, then
// one before and one after it for the rates of their longitudes), with the site's
// GCRS state at each for a topocentric chart.
struct ChartEpochs {
    Instant evaluable;
    double tt_julian_day;
    double ut1_julian_day;
    std::array<Instant, 3> body_instants;
    std::array<CartesianState, 3> sites;
};

Result<ChartEpochs, EphemerisError> chart_epochs(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                                 const Instant& instant, bool topocentric);

}  // namespace orbyx
