#include "ext/states/geometric_state.hpp"

#include "spk/barycentric_state.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Result<StateVector, EphemerisError> geometric_state(SpkEphemeris& engine, std::int32_t target, std::int32_t center,
                                                    const Instant& instant) {
    const auto epoch = engine.tdb_seconds(instant);
    if (!epoch) return failure(epoch.error());
    auto& kernels = engine.kernels();
    const SharedLengthChecks length_checks(kernels);
    const auto of_target = barycentric_state_across_kernels(kernels, target, *epoch);
    if (!of_target) return failure(to_ephemeris_error(of_target.error()));
    const auto of_center = barycentric_state_across_kernels(kernels, center, *epoch);
    if (!of_center) return failure(to_ephemeris_error(of_center.error()));
    StateVector state = *of_target;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        state.position[axis] -= of_center->position[axis];
        state.velocity[axis] -= of_center->velocity[axis];
    }
    return state;
}

}  // namespace orbyx
