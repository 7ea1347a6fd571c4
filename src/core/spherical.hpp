#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

struct Spherical {
    double longitude_deg;  // [0, 360)
    double latitude_deg;
    double distance_km;
    double longitude_speed_deg_per_day;
};

// Kernel frame to the fixed J2000 ecliptic (obliquity 84381.448", no bias, no precession).
Result<CartesianState, CoordinateError> to_j2000_ecliptic(const CartesianState& state);

// Longitude, latitude and distance of the position, and the analytic longitude rate.
Result<Spherical, CoordinateError> to_spherical(const CartesianState& state);

}  // namespace orbyx
