#pragma once

#include "core/types.hpp"

namespace orbyx {

// A segment's state relative to its centre: km and km/s in the kernel's frame.
using StateVector = CartesianState;

// Adds `link` component by component, position to position and velocity to velocity.
inline void add_in_place(StateVector& state, const StateVector& link) {
    for (int axis = 0; axis < 3; ++axis) {
        state.position[axis] += link.position[axis];
        state.velocity[axis] += link.velocity[axis];
    }
}

}  // namespace orbyx
