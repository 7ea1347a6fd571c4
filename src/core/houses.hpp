#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// The twelve cusps, ascendant, MC, RAMC and true obliquity for a site at a UT1/TT
// pair. Needs no kernel; polar motion is not applied.
Result<HouseCusps, CoordinateError> house_cusps(const GeodeticObserver& observer,
                                                HouseSystem system, double ut1_julian_day,
                                                double tt_julian_day);

}  // namespace orbyx
