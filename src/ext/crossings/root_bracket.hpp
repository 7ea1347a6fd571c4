#pragma once

#include <cmath>
#include <limits>
#include <utility>

#include "core/errors.hpp"
#include "core/result.hpp"

namespace orbyx {

// A bracket is final once narrower than this: a few units in the last place of a
// Julian day near 2.5e6, some 0.1 ms.
inline constexpr double ROOT_TOLERANCE_DAYS = 1e-9;

// The zero of `f` in [a, b], where f(a) and f(b) = fa and fb differ in sign, by Brent's
// method: inverse quadratic or secant steps while they shrink the bracket fast enough,
// bisection otherwise. `f` returns Result<double, EphemerisError>.
template <class Function>
Result<double, EphemerisError> root_in_bracket(Function&& f, double a, double b, double fa, double fb) {
    if (fa == 0.0) return a;
    if (fb == 0.0) return b;
    // b is the best estimate, a the previous one, c the other end of the bracket.
    if (std::abs(fa) < std::abs(fb)) {
        std::swap(a, b);
        std::swap(fa, fb);
    }
    double c = a, fc = fa;
    double step = b - a, previous_step = step;
    for (int iteration = 0; iteration < 100; ++iteration) {
        if ((fb > 0.0) == (fc > 0.0)) {
            c = a;
            fc = fa;
            step = previous_step = b - a;
        }
        if (std::abs(fc) < std::abs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const double tolerance =
            0.5 * ROOT_TOLERANCE_DAYS + 2.0 * std::numeric_limits<double>::epsilon() * std::abs(b);
        const double half_bracket = 0.5 * (c - b);
        if (std::abs(half_bracket) <= tolerance || fb == 0.0) return b;

        if (std::abs(previous_step) >= tolerance && std::abs(fa) > std::abs(fb)) {
            // Interpolate through the last points; accept a step that stays well inside
            // the bracket and shrinks faster than the one before last.
            const double s = fb / fa;
            double p, q;
            if (a == c) {
                p = 2.0 * half_bracket * s;
                q = 1.0 - s;
            } else {
                const double r = fa / fc, t = fb / fc;
                p = s * (2.0 * half_bracket * r * (r - t) - (b - a) * (t - 1.0));
                q = (r - 1.0) * (t - 1.0) * (s - 1.0);
            }
            if (p > 0.0) q = -q;
            p = std::abs(p);
            if (2.0 * p < std::min(3.0 * half_bracket * q - std::abs(tolerance * q),
                                   std::abs(previous_step * q))) {
                previous_step = step;
                step = p / q;
            } else {
                step = previous_step = half_bracket;
            }
        } else {
            step = previous_step = half_bracket;
        }
        a = b;
        fa = fb;
        b += std::abs(step) > tolerance ? step : std::copysign(tolerance, half_bracket);
        const auto value = f(b);
        if (!value) return failure(value.error());
        fb = *value;
    }
    return b;
}

}  // namespace orbyx
