#pragma once

#include <cmath>

namespace orbyx {

inline constexpr double PI = 3.141592653589793;
inline constexpr double TWO_PI = 6.283185307179586;

// Reductions by a floating remainder, plus one period if negative; a tiny negative
// angle may round up to exactly the period.
inline double reduced_to_circle_deg(double angle_deg) {
    const double reduced = std::fmod(angle_deg, 360.0);
    return reduced < 0.0 ? reduced + 360.0 : reduced;
}

inline double reduced_to_turn_rad(double angle_rad) {
    const double reduced = std::fmod(angle_rad, TWO_PI);
    return reduced < 0.0 ? reduced + TWO_PI : reduced;
}

// (angle + pi) reduced to [0, 2pi), less pi: within [-pi, pi), where the callers
// settle the -pi end each in their own way.
inline double wrapped_to_half_turn_rad(double angle_rad) {
    return reduced_to_turn_rad(angle_rad + PI) - PI;
}

}  // namespace orbyx
