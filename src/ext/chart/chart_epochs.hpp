#pragma once

#include <array>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// What a chart reads its instant as: the instant the engine evaluates, its TT and UT1
// days, and the offsets in days (0, before, after) of the epochs its bodies' rates
// are taken between, with the site's GCRS state at each for a topocentric chart.
struct ChartEpochs {
    Instant evaluable;
    double tt_julian_day;
    double ut1_julian_day;
    std::array<double, 3> rate_offsets_days;
    std::array<CartesianState, 3> sites;
};

Result<ChartEpochs, EphemerisError> chart_epochs(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                                 const Instant& instant, bool topocentric);

}  // namespace orbyx
