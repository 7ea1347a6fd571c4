#include "core/precession_iau2006.hpp"

#include "core/constants.hpp"

namespace orbyx {
namespace {

// Polynomial of degree five in t, arcseconds to radians.
double arcsecond_polynomial_rad(double t, double c0, double c1, double c2, double c3, double c4,
                                double c5) {
    return (c0 + (c1 + (c2 + (c3 + (c4 + c5 * t) * t) * t) * t) * t) * ARCSECONDS_TO_RADIANS;
}

}  // namespace

double mean_obliquity_iau2006_rad(double julian_centuries) {
    return arcsecond_polynomial_rad(julian_centuries, 84381.406, -46.836769, -0.0001831,
                                    0.00200340, -0.000000576, -0.0000000434);
}

FukushimaWilliamsAngles fukushima_williams_iau2006(double julian_centuries) {
    const double t = julian_centuries;
    return {
        arcsecond_polynomial_rad(t, -0.052928, 10.556378, 0.4932044, -0.00031238, -0.000002788,
                                 0.0000000260),
        arcsecond_polynomial_rad(t, 84381.412819, -46.811016, 0.0511268, 0.00053289, -0.000000440,
                                 -0.0000000176),
        arcsecond_polynomial_rad(t, -0.041775, 5038.481484, 1.5584175, -0.00018522, -0.000026452,
                                 -0.0000000148),
        mean_obliquity_iau2006_rad(t),
    };
}

}  // namespace orbyx
