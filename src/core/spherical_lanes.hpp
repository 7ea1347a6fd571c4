#pragma once

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/lanes.hpp"

// The spherical conversion written once for a double and for vector lanes, so that
// a state converted alone and the same state converted among many give the same bits.

namespace orbyx {

namespace spherical_detail {

// (t - atan t) / t^3 as a polynomial in t^2, a Chebyshev fit over |t| <= 7/16 whose
// error stays below a thirtieth of a unit in the last place of atan t.
inline constexpr double ATAN_SERIES[12] = {
    0.33333333333333331,   -0.1999999999999941,   0.14285714285566806,  -0.11111111096645038,
    0.090909083556025921,  -0.07692285554889286,  0.06666241923359964,  -0.058769464567550611,
    0.052166797393136559,  -0.04492259293193656,  0.033128134256069586, -0.014773184616983806};

// atan 1/2, atan 1, atan 3/2 and pi/2, pi, each as a double and the rest below it.
inline constexpr double ATAN_HALF_HIGH = 0.46364760900080609, ATAN_HALF_LOW = 2.2698777452961687e-17;
inline constexpr double ATAN_ONE_HIGH = 0.78539816339744828, ATAN_ONE_LOW = 3.061616997868383e-17;
inline constexpr double ATAN_THREE_HALVES_HIGH = 0.98279372324732905, ATAN_THREE_HALVES_LOW = 1.3903311031230998e-17;
inline constexpr double HALF_PI_HIGH = 1.5707963267948966, HALF_PI_LOW = 6.123233995736766e-17;
inline constexpr double PI_HIGH = 3.1415926535897931, PI_LOW = 1.2246467991473532e-16;

}  // namespace spherical_detail

// atan2(y, x) for finite y and an x that is finite or +infinity, within one unit in
// the last place of the exact angle and without branches. The ratio |y/x| is reduced
// to |t| <= 7/16 against the nearest of 0, 1/2, 1, 3/2 and infinity in one division of
// differences of |y| and |x|, which never rounds the ratio itself.
template <class Lanes>
[[gnu::always_inline]] inline Lanes angle_of(Lanes y, Lanes x) {
    using namespace spherical_detail;
    const auto c = [](double value) { return broadcast<Lanes>(value); };
    Lanes ax = magnitude(x);
    Lanes ay = magnitude(y);
    // The reductions below add up to 2.4 times the larger magnitude; scaling both by a
    // power of two keeps that finite and the angle unchanged.
    const auto huge = pick(ax > ay, ax, ay) > 0x1p1020;
    ax = pick(huge, ax * 0.0625, ax);
    ay = pick(huge, ay * 0.0625, ay);

    const auto below_7_16 = ay < ax * 0.4375;
    const auto below_11_16 = ay < ax * 0.6875;
    const auto below_19_16 = ay < ax * 1.1875;
    const auto below_39_16 = ay < ax * 2.4375;
    const Lanes center = pick(below_11_16, c(0.5), pick(below_19_16, c(1.0), c(1.5)));
    const Lanes base_high = pick(below_7_16, c(0.0),
                                 pick(below_11_16, c(ATAN_HALF_HIGH),
                                      pick(below_19_16, c(ATAN_ONE_HIGH),
                                           pick(below_39_16, c(ATAN_THREE_HALVES_HIGH), c(HALF_PI_HIGH)))));
    const Lanes base_low = pick(below_7_16, c(0.0),
                                pick(below_11_16, c(ATAN_HALF_LOW),
                                     pick(below_19_16, c(ATAN_ONE_LOW),
                                          pick(below_39_16, c(ATAN_THREE_HALVES_LOW), c(HALF_PI_LOW)))));
    // t = tan(angle - atan center): (r - center) / (1 + center r) with r = ay / ax, and -1/r for the last.
    const Lanes numerator = pick(below_7_16, ay, pick(below_39_16, ay - center * ax, -ax));
    const Lanes denominator = pick(below_7_16, ax, pick(below_39_16, ax + center * ay, ay));
    const Lanes t = numerator / denominator;

    const Lanes t2 = t * t;
    const Lanes t4 = t2 * t2;
    const double* a = ATAN_SERIES;
    const Lanes even = t2 * (a[0] + t4 * (a[2] + t4 * (a[4] + t4 * (a[6] + t4 * (a[8] + t4 * a[10])))));
    const Lanes odd = t4 * (a[1] + t4 * (a[3] + t4 * (a[5] + t4 * (a[7] + t4 * (a[9] + t4 * a[11])))));
    Lanes angle = base_high - ((t * (even + odd) - base_low) - t);
    angle = pick(x < 0.0, PI_HIGH - (angle - PI_LOW), angle);
    return with_sign_of(angle, y);
}

template <class Lanes>
struct YZLanes {
    Lanes y;
    Lanes z;
};

// y and z of a vector turned from the kernel's equator onto the J2000 ecliptic (R1 by
// the J2000 obliquity); x is unchanged.
template <class Lanes>
[[gnu::always_inline]] inline YZLanes<Lanes> equator_to_j2000_ecliptic(Lanes y, Lanes z) {
    return {J2000_MEAN_OBLIQUITY_COS * y + J2000_MEAN_OBLIQUITY_SIN * z,
            -J2000_MEAN_OBLIQUITY_SIN * y + J2000_MEAN_OBLIQUITY_COS * z};
}

template <class Lanes>
struct SphericalLanes {
    Lanes longitude_deg;
    Lanes latitude_deg;
    Lanes distance_km;
    Lanes longitude_speed_deg_per_day;
};

// rho^2, the squared distance from the z axis, as the conversion computes it.
template <class Lanes>
[[gnu::always_inline]] inline Lanes axis_distance_squared(Lanes x, Lanes y) {
    return fused_multiply_add(x, x, y * y);
}

// Longitude, latitude, distance and longitude rate of finite positions whose rho^2 is above 0.
template <class Lanes>
[[gnu::always_inline]] inline SphericalLanes<Lanes> spherical_lanes(Lanes x, Lanes y, Lanes z, Lanes vx, Lanes vy) {
    const Lanes rho_squared = axis_distance_squared(x, y);
    const Lanes r_squared = rho_squared + z * z;
    // The angle lies within [-180, 180] degrees, where the remainder by 360 is the
    // angle itself.
    return {
        wrapped_into_period(angle_of(y, x) * RADIANS_TO_DEGREES, 360.0),
        angle_of(z, square_root(rho_squared)) * RADIANS_TO_DEGREES,
        square_root(r_squared),
        (x * vy - y * vx) / rho_squared * RADIANS_TO_DEGREES * SECONDS_PER_DAY,
    };
}

}  // namespace orbyx
