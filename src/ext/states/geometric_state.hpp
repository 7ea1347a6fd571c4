#pragma once

#include <cstdint>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

class SpkEphemeris;

// NAIF body `target` relative to NAIF body `center` at `instant`, uncorrected, in the
// kernels' frame (km, km/s): the state a kernel reader such as SPICE's spkgeo gives,
// for checking segments against one and for bodies orbyx does not name.
Result<StateVector, EphemerisError> geometric_state(SpkEphemeris& engine, std::int32_t target, std::int32_t center,
                                                    const Instant& instant);

}  // namespace orbyx
