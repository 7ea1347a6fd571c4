#pragma once

#include "core/types.hpp"
#include "ext/lunar_points/mean_lunar_elements.hpp"

namespace orbyx {

// GM of the Earth plus the Moon, km^3/s^2, from DE421's header (Folkner et al. 2008,
// IPN Progress Report 42-178): the two-body problem of the Moon about the Earth.
inline constexpr double EARTH_MOON_GM_KM3_PER_S2 = 398600.435436 + 4902.800066;

// The ascending node of the two-body orbit through the geocentric `state` (km, km/s),
// in the state's own axes: where the orbit crosses their x-y plane northward.
EclipticDirection osculating_node(const CartesianState& state);

// The apogee of that orbit: opposite its eccentricity vector.
EclipticDirection osculating_apogee(const CartesianState& state);

}  // namespace orbyx
