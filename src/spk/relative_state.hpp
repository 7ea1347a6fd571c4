#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// The NAIF id a request's origin is measured from; a topocentric site rides on the Earth.
std::int32_t origin_center(OriginKind origin);

// The state of `target` seen from `center` (plus `observer_offset`, a geocentric site,
// when given) at TDB seconds `epoch`, kernel frame: light time by three fixed
// iterations, then solar deflection, then aberration, as `corrections` ask.
Result<CartesianState, SpkError> resolve_relative_state(
    std::vector<SpkKernel>& kernels, std::int32_t target, std::int32_t center,
    const Corrections& corrections, const std::optional<CartesianState>& observer_offset,
    double epoch);

// The two halves of resolve_relative_state, so that several targets seen from one
// observer at one epoch share its evaluation.

// The barycentric state of the point looked from: the centre, plus the site if any.
Result<StateVector, SpkError> observer_barycentric_state(std::vector<SpkKernel>& kernels, std::int32_t center,
                                                         const std::optional<CartesianState>& observer_offset,
                                                         double epoch);

// `target` seen from `observer` (barycentric, at `epoch`), corrected. The Sun's
// barycentric state is evaluated on first need and kept in `sun` for further targets
// at the same epoch.
Result<CartesianState, SpkError> corrected_relative_state(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                          std::int32_t center, const Corrections& corrections,
                                                          const StateVector& observer,
                                                          std::optional<StateVector>& sun, double epoch);

}  // namespace orbyx
