#pragma once

namespace orbyx {

// Nutation in longitude and in obliquity.
struct Nutation {
    double dpsi_rad;
    double deps_rad;
};

// IAU 2000B (77 luni-solar terms plus fixed planetary offsets) at a TT/TDB Julian day.
Nutation nutation_iau2000b(double julian_day);

// Fundamental argument Omega (the Moon's mean ascending node), reduced within one turn.
double moon_node_longitude_rad(double julian_centuries);

}  // namespace orbyx
