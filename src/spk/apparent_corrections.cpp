#include "spk/apparent_corrections.hpp"

#include "spk/apparent_formulas.hpp"

namespace orbyx {
namespace {

Vector3Lanes<double> lanes_of(const Vector3& v) { return {v[0], v[1], v[2]}; }

StateLanes<double> lanes_of(const CartesianState& state) {
    return {lanes_of(state.position), lanes_of(state.velocity)};
}

CartesianState state_of(const StateLanes<double>& state) {
    return {{state.position.x, state.position.y, state.position.z},
            {state.velocity.x, state.velocity.y, state.velocity.z}};
}

}  // namespace

CartesianState rotate_state(const CartesianState& state, const Vector3& from, const Vector3& to) {
    return state_of(rotated_state(lanes_of(state), lanes_of(from), lanes_of(to)));
}

CartesianState apply_solar_gravitational_deflection(const CartesianState& relative,
                                                    const Vector3& observer_position,
                                                    const Vector3& sun_position) {
    return state_of(deflected_by_the_sun(lanes_of(relative), lanes_of(observer_position), lanes_of(sun_position)));
}

CartesianState apply_stellar_aberration(const CartesianState& relative,
                                        const Vector3& observer_velocity) {
    return state_of(aberrated(lanes_of(relative), lanes_of(observer_velocity)));
}

}  // namespace orbyx
