#include "ext/states/geometric_states.hpp"

#include <cassert>
#include <vector>

#include "spk/batch_barycentric.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Status<EphemerisError> geometric_states(SpkEphemeris& engine, std::int32_t target, std::int32_t center,
                                        std::span<const Instant> instants, std::span<double> rows) {
    assert(rows.size() == 6 * instants.size());
    std::vector<double> epochs(instants.size());
    for (std::size_t i = 0; i < instants.size(); ++i) {
        const auto epoch = engine.tdb_seconds(instants[i]);
        if (!epoch) return failure(epoch.error());
        epochs[i] = *epoch;
    }
    auto& kernels = engine.kernels();
    const SharedLengthChecks length_checks(kernels);
    std::vector<StateVector> of_target(epochs.size());
    std::vector<StateVector> of_center(epochs.size());
    if (auto done = barycentric_states_across_kernels_into(kernels, target, epochs, of_target); !done) {
        return failure(to_ephemeris_error(done.error()));
    }
    if (auto done = barycentric_states_across_kernels_into(kernels, center, epochs, of_center); !done) {
        return failure(to_ephemeris_error(done.error()));
    }
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            rows[6 * i + axis] = of_target[i].position[axis] - of_center[i].position[axis];
            rows[6 * i + 3 + axis] = of_target[i].velocity[axis] - of_center[i].velocity[axis];
        }
    }
    return {};
}

}  // namespace orbyx
