#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/time/earth_orientation.hpp"

namespace orbyx {

class SpkEphemeris;

// A site carried by the Earth's rotation to an instant: its GCRS state and the
// orientation that turned it, from the time tables or, beyond them, the ΔT model.
struct TurnedSite {
    CartesianState gcrs;
    EarthOrientation orientation;
};

Result<TurnedSite, EphemerisError> turned_site(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                               const Instant& instant);

}  // namespace orbyx
