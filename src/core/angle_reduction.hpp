#pragma once

#include <cmath>

#include "core/lanes.hpp"

namespace orbyx {

inline constexpr double PI = 3.141592653589793;
inline constexpr double TWO_PI = 6.283185307179586;

// A remainder within (-period, period) moved into [0, period): a negative one gains a
// period, and one so small that the sum rounds up to the period itself becomes 0. A
// negative zero stays as it is.
template <class Lanes>
[[gnu::always_inline]] inline Lanes wrapped_into_period(Lanes remainder, double period) {
    const Lanes wrapped = remainder + period;
    const Lanes wrapped_below_period = pick(wrapped < period, wrapped, broadcast<Lanes>(0.0));
    return pick(remainder < 0.0, wrapped_below_period, remainder);
}

// std::fmod(x, period) for a whole-number period, to the bit, by one division instead of
// fmod's step-by-step reduction. Below 2^52 the whole quotient times the period is
// exact, and so is x less it, being the remainder or (where the quotient rounded up to
// the next whole number) the remainder less one period, which is put right.
inline double remainder_by_whole_period(double x, double period) {
    if (!(std::fabs(x) < 0x1p52)) return std::fmod(x, period);
    const double remainder = x - std::trunc(x / period) * period;
    if (remainder == 0.0) return std::copysign(0.0, x);  // fmod keeps the sign of x
    if (x > 0.0 && remainder < 0.0) return remainder + period;
    if (x < 0.0 && remainder > 0.0) return remainder - period;
    return remainder;
}

inline double reduced_to_circle_deg(double angle_deg) {
    return wrapped_into_period(std::fmod(angle_deg, 360.0), 360.0);
}

inline double reduced_to_turn_rad(double angle_rad) {
    return wrapped_into_period(std::fmod(angle_rad, TWO_PI), TWO_PI);
}

// (angle + pi) reduced to [0, 2pi), less pi: within [-pi, pi), where the callers
// settle the -pi end each in their own way.
inline double wrapped_to_half_turn_rad(double angle_rad) {
    return reduced_to_turn_rad(angle_rad + PI) - PI;
}

}  // namespace orbyx
