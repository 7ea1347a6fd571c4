#pragma once

#include "core/planar_rotation.hpp"
#include "core/types.hpp"

namespace orbyx {

// Turns position and velocity alike by the rotation that carries unit vector `from`
// onto unit vector `to` (Rodrigues); parallel vectors leave the state unchanged.
CartesianState rotate_state(const CartesianState& state, const Vector3& from, const Vector3& to);

// Bends the direction of `relative` (target from observer) by the Sun's light deflection
// for an observer at `observer_position` and the Sun at `sun_position` (barycentric, km).
// The distance is kept.
CartesianState apply_solar_gravitational_deflection(const CartesianState& relative,
                                                    const Vector3& observer_position,
                                                    const Vector3& sun_position);

// First-order aberration for an observer moving at `observer_velocity` (km/s,
// barycentric). The distance is kept.
CartesianState apply_stellar_aberration(const CartesianState& relative,
                                        const Vector3& observer_velocity);

}  // namespace orbyx
