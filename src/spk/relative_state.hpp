#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/constants.hpp"
#include "core/lanes.hpp"
#include "core/planar_rotation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// The Sun, whose state the light deflection needs.
inline constexpr std::int32_t SUN_NAIF_ID = 10;

// Light time is refined by this many fixed iterations, with no convergence test.
inline constexpr int LIGHT_TIME_ITERATIONS = 3;

// The NAIF id a request's origin is measured from; a topocentric site rides on the Earth.
std::int32_t origin_center(OriginKind origin);

// When the light that reaches an observer at TDB seconds `epoch` left a target that
// lies (dx, dy, dz) km from it: for a double or for vector lanes.
template <class Lanes>
[[gnu::always_inline]] inline Lanes emission_epoch(Lanes epoch, Lanes dx, Lanes dy, Lanes dz) {
    return epoch - square_root(dx * dx + dy * dy + dz * dz) / SPEED_OF_LIGHT_KM_PER_S;
}

// The same for a target at `target` and the observer at `observer` (barycentric, km).
inline double emission_epoch(double epoch, const Vector3& target, const Vector3& observer) {
    return emission_epoch(epoch, target[0] - observer[0], target[1] - observer[1], target[2] - observer[2]);
}

// Whether `corrections` bend the light of `target` seen from `center` by the Sun: never
// for the Sun itself nor for a heliocentric view.
bool deflects(const Corrections& corrections, std::int32_t target, std::int32_t center);

// How a target's corrected state is found: the point looked from is evaluated once
// per epoch, so that several targets seen from it share that evaluation.

// The barycentric state of the point looked from: the centre, plus the site if any.
Result<StateVector, SpkError> observer_barycentric_state(std::vector<SpkKernel>& kernels, std::int32_t center,
                                                         const std::optional<CartesianState>& observer_offset,
                                                         double epoch);

// `target` seen from `observer` (barycentric, at TDB seconds `epoch`), kernel frame:
// light time by three fixed iterations, then solar deflection, then aberration, as
// `corrections` ask. The Sun's
// barycentric state is evaluated on first need and kept in `sun` for further targets
// at the same epoch.
Result<CartesianState, SpkError> corrected_relative_state(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                          std::int32_t center, const Corrections& corrections,
                                                          const StateVector& observer,
                                                          std::optional<StateVector>& sun, double epoch);

}  // namespace orbyx
