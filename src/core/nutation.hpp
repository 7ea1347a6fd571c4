#pragma once

namespace orbyx {

// Nutation in longitude and in obliquity.
struct Nutation {
    double dpsi_rad;
    double deps_rad;
};

// IAU 2000B (77 luni-solar terms plus fixed planetary offsets) at a TT/TDB Julian day.
Nutation nutation_iau2000b(double julian_day);

// Evaluates two days side by side, for about the cost of one, so that the next
// nutation_iau2000b calls for either day on this thread find them ready: a site needs
// the nutation at TT and the frame of date needs it at TDB.
void prepare_nutations_iau2000b(double first_julian_day, double second_julian_day);

// Fundamental argument Omega (the Moon's mean ascending node), reduced within one turn.
double moon_node_longitude_rad(double julian_centuries);

}  // namespace orbyx
