#include "ext/bodies/line_of_sight.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "ext/states/geometric_state.hpp"

namespace orbyx {
namespace {

constexpr std::int32_t GEOCENTRE_NAIF_ID = 399;
// A body that passes within a few Earth radii still ends the walk.
constexpr double SHORTEST_WALK_STEP_DAYS = 1e-5;

}  // namespace

Result<double, EphemerisError> line_of_sight_days(SpkEphemeris& engine, std::int32_t target,
                                                  double tt_julian_day) {
    const auto state = geometric_state(engine, target, GEOCENTRE_NAIF_ID, Instant{tt_julian_day, TimeScale::Tt});
    if (!state) return failure(state.error());
    const double distance_km = std::hypot(state->position[0], state->position[1], state->position[2]);
    const double speed_km_per_day =
        std::hypot(state->velocity[0], state->velocity[1], state->velocity[2]) * SECONDS_PER_DAY;
    return distance_km / speed_km_per_day;
}

Result<double, EphemerisError> shortest_line_of_sight_days(SpkEphemeris& engine, std::int32_t target,
                                                           double first_tt_julian_day, double last_tt_julian_day) {
    double shortest = INFINITY;
    for (double day = first_tt_julian_day;; ) {
        const auto here = line_of_sight_days(engine, target, std::min(day, last_tt_julian_day));
        if (!here) return failure(here.error());
        shortest = std::min(shortest, *here);
        if (day >= last_tt_julian_day) return shortest;
        day += std::max(*here / 2.0, SHORTEST_WALK_STEP_DAYS);
    }
}

}  // namespace orbyx
