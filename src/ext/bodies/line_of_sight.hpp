#pragma once

#include <cstdint>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// D / v in days: the body's geocentric distance over its speed relative to the Earth,
// the shortest time in which its line of sight can turn by a radian; infinite for a
// body at rest.
Result<double, EphemerisError> line_of_sight_days(SpkEphemeris& engine, std::int32_t target,
                                                  double tt_julian_day);

// The least of line_of_sight_days over the TT days from `first` to `last`. D / v falls
// by at most a day a day (the distance by at most v), so samples half of it apart miss
// no dip by more than half.
Result<double, EphemerisError> shortest_line_of_sight_days(SpkEphemeris& engine, std::int32_t target,
                                                           double first_tt_julian_day, double last_tt_julian_day);

}  // namespace orbyx
