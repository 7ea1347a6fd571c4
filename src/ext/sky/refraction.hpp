#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"

namespace orbyx {

// The air at the site, for atmospheric refraction.
struct Atmosphere {
    double pressure_mbar;
    double temperature_c;
};

// The atmosphere if it is physical: a finite pressure of at least zero and a finite
// temperature above absolute zero.
Result<Atmosphere, EphemerisError> checked_atmosphere(double pressure_mbar, double temperature_c);

// The altitude a body is seen at through `air`, from its true (unrefracted) altitude,
// degrees. Only true altitudes from -1 to 89.9 degrees are raised; below, the formula
// no longer describes the near-horizontal path, and above, refraction is under 0.03".
double observed_altitude_deg(double true_altitude_deg, const Atmosphere& air);

}  // namespace orbyx
