#pragma once

#include <cstddef>
#include <span>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/ayanamsha/sidereal_origin.hpp"

namespace orbyx {

class SpkEphemeris;

// An ayanamsha is measured along the ecliptic from the equinox of date, so only such
// longitudes can have it subtracted.
Status<EphemerisError> check_sidereal_options(const PositionOptions& options);

// Turns tropical positions, written per instant for `body_count` bodies as
// longitude, latitude, distance and longitude speed, into sidereal ones: each
// longitude less the origin's offset at its instant's TT, each speed less its rate.
// With a module mode these are the bits of Engine.sidereal_position.
Status<EphemerisError> subtract_ayanamsha(const SpkEphemeris& engine, std::span<const Instant> instants,
                                          std::size_t body_count, const SiderealOrigin& origin,
                                          std::span<double> values);

}  // namespace orbyx
