#include "core/spherical.hpp"

#include "core/constants.hpp"
#include "core/spherical_lanes.hpp"

namespace orbyx {

Result<CartesianState, CoordinateError> to_j2000_ecliptic(const CartesianState& state) {
    if (!state.is_finite()) return failure(CoordinateError::NonFiniteState);
    const auto position = equator_to_j2000_ecliptic(state.position[1], state.position[2]);
    const auto velocity = equator_to_j2000_ecliptic(state.velocity[1], state.velocity[2]);
    return CartesianState{{state.position[0], position.y, position.z}, {state.velocity[0], velocity.y, velocity.z}};
}

Result<Spherical, CoordinateError> to_spherical(const CartesianState& state) {
    if (!state.is_finite()) return failure(CoordinateError::NonFiniteState);
    const auto [x, y, z] = state.position;
    const double rho_squared = axis_distance_squared(x, y);
    const double r_squared = rho_squared + z * z;
    if (r_squared == 0.0) return failure(CoordinateError::UndefinedAtOrigin);
    if (rho_squared == 0.0) return failure(CoordinateError::UndefinedOnZAxis);
    const auto spherical = spherical_lanes(x, y, z, state.velocity[0], state.velocity[1]);
    return Spherical{spherical.longitude_deg, spherical.latitude_deg, spherical.distance_km,
                     spherical.longitude_speed_deg_per_day};
}

}  // namespace orbyx
