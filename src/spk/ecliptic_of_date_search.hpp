#pragma once

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/types.hpp"

namespace orbyx {

// Shared by the searches on the apparent ecliptic of date.

// Apparent geocentric longitude on the true ecliptic of date.
inline PositionOptions apparent_geocentric_ecliptic_of_date() {
    PositionOptions options{{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    options.apparent = true;
    return options;
}

// The angle less the target the shorter way round, in (-180, 180] degrees.
inline double angular_error_deg(double angle_deg, double target_deg) {
    const double wrapped = wrapped_to_half_turn_rad((angle_deg - target_deg) * DEGREES_TO_RADIANS);
    return wrapped > -PI ? wrapped * RADIANS_TO_DEGREES : 180.0;
}

}  // namespace orbyx
