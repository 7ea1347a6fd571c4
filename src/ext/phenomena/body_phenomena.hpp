#pragma once

#include <cstdint>
#include <optional>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// How a body looks from the observer.
struct Phenomena {
    double elongation_deg;           // from the Sun, between apparent places
    double phase_angle_deg;          // Sun - body - observer
    double illuminated_fraction;     // of the disc, (1 + cos phase) / 2
    std::optional<double> angular_diameter_arcsec;  // of the mean sphere, where its size is known
    double distance_au;              // light-time corrected
};

// The body NAIF id `target` names at `instant` from the geocentre, or from `observer`
// if there is one. The phase angle is taken at the body where it sent the light seen,
// between the directions back to the observer and to the Sun at the instant.
Result<Phenomena, EphemerisError> body_phenomena(SpkEphemeris& engine, std::int32_t target,
                                                 const Instant& instant,
                                                 const std::optional<GeodeticObserver>& observer);

}  // namespace orbyx
