#include "ext/ayanamsha/sun_of_date.hpp"

#include <cmath>
#include <span>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"

namespace orbyx {
namespace {

struct PeriodicTerm {
    double amplitude;  // 1e-8 radian or au
    double phase_rad;
    double frequency_rad_per_millennium;
};

// VSOP87D for the Earth (Bretagnon & Francou 1988, A&A 202, 309), heliocentric on the
// ecliptic and equinox of date, cut to the terms Meeus lists (Astronomical Algorithms,
// 2nd ed., appendix III): the Sun's longitude within 2" over 1900-2100.
constexpr PeriodicTerm LONGITUDE_0[] = {
    {175347046.0, 0.0, 0.0},
    {3341656.0, 4.6692568, 6283.07585},
    {34894.0, 4.6261, 12566.1517},
    {3497.0, 2.7441, 5753.3849},
    {3418.0, 2.8289, 3.5231},
    {3136.0, 3.6277, 77713.7715},
    {2676.0, 4.4181, 7860.4194},
    {2343.0, 6.1352, 3930.2097},
    {1324.0, 0.7425, 11506.7698},
    {1273.0, 2.0371, 529.691},
    {1199.0, 1.1096, 1577.3435},
    {990.0, 5.233, 5884.927},
    {902.0, 2.045, 26.298},
    {857.0, 3.508, 398.149},
    {780.0, 1.179, 5223.694},
    {753.0, 2.533, 5507.553},
    {505.0, 4.583, 18849.228},
    {492.0, 4.205, 775.523},
    {357.0, 2.92, 0.067},
    {317.0, 5.849, 11790.629},
    {284.0, 1.899, 796.298},
    {271.0, 0.315, 10977.079},
    {243.0, 0.345, 5486.778},
    {206.0, 4.806, 2544.314},
    {205.0, 1.869, 5573.143},
    {202.0, 2.458, 6069.777},
    {156.0, 0.833, 213.299},
    {132.0, 3.411, 2942.463},
    {126.0, 1.083, 20.775},
    {115.0, 0.645, 0.98},
    {103.0, 0.636, 4694.003},
    {102.0, 0.976, 15720.839},
    {102.0, 4.267, 7.114},
    {99.0, 6.21, 2146.17},
    {98.0, 0.68, 155.42},
    {86.0, 5.98, 161000.69},
    {85.0, 1.3, 6275.96},
    {85.0, 3.67, 71430.7},
    {80.0, 1.81, 17260.15},
};
constexpr PeriodicTerm LONGITUDE_1[] = {
    {628331966747.0, 0.0, 0.0},
    {206059.0, 2.678235, 6283.07585},
    {4303.0, 2.6351, 12566.1517},
    {425.0, 1.59, 3.523},
    {119.0, 5.796, 26.298},
    {109.0, 2.966, 1577.344},
    {93.0, 2.59, 18849.23},
    {72.0, 1.14, 529.69},
    {68.0, 1.87, 398.15},
    {67.0, 4.41, 5507.55},
    {59.0, 2.89, 5223.69},
    {56.0, 2.17, 155.42},
    {45.0, 0.4, 796.3},
    {36.0, 0.47, 775.52},
    {29.0, 2.65, 7.11},
    {21.0, 5.34, 0.98},
    {19.0, 1.85, 5486.78},
    {19.0, 4.97, 213.3},
    {17.0, 2.99, 6275.96},
    {16.0, 0.03, 2544.31},
};
constexpr PeriodicTerm LONGITUDE_2[] = {
    {52919.0, 0.0, 0.0},
    {8720.0, 1.0721, 6283.0758},
    {309.0, 0.867, 12566.152},
    {27.0, 0.05, 3.52},
    {16.0, 5.19, 26.3},
    {16.0, 3.68, 155.42},
    {10.0, 0.76, 18849.23},
    {9.0, 2.06, 77713.77},
    {7.0, 0.83, 775.52},
    {5.0, 4.66, 1577.34},
};
constexpr PeriodicTerm LONGITUDE_3[] = {
    {289.0, 5.844, 6283.076},
    {35.0, 0.0, 0.0},
    {17.0, 5.49, 12566.15},
};
constexpr PeriodicTerm LONGITUDE_4[] = {
    {114.0, 3.142, 0.0},
};
constexpr PeriodicTerm DISTANCE_0[] = {
    {100013989.0, 0.0, 0.0},
    {1670700.0, 3.0984635, 6283.07585},
    {13956.0, 3.05525, 12566.1517},
    {3084.0, 5.1985, 77713.7715},
    {1628.0, 1.1739, 5753.3849},
    {1576.0, 2.8469, 7860.4194},
    {925.0, 5.453, 11506.77},
    {542.0, 4.564, 3930.21},
    {472.0, 3.661, 5884.927},
    {346.0, 0.964, 5507.553},
    {329.0, 5.9, 5223.694},
    {307.0, 0.299, 5573.143},
    {243.0, 4.273, 11790.629},
    {212.0, 5.847, 1577.344},
    {186.0, 5.022, 10977.079},
    {175.0, 3.012, 18849.228},
    {110.0, 5.055, 5486.778},
};
constexpr PeriodicTerm DISTANCE_1[] = {
    {103019.0, 1.10749, 6283.07585},
    {1721.0, 1.0644, 12566.1517},
    {702.0, 3.142, 0.0},
};
constexpr PeriodicTerm DISTANCE_2[] = {
    {4359.0, 5.7846, 6283.0758},
    {124.0, 5.579, 12566.152},
};
constexpr PeriodicTerm DISTANCE_3[] = {
    {145.0, 4.273, 6283.076},
};

// Sum over k of tau^k times the k-th series' terms, in 1e-8 units.
double evaluated(std::span<const std::span<const PeriodicTerm>> series, double tau) {
    double total = 0.0;
    double power = 1.0;
    for (const auto& terms : series) {
        double sum = 0.0;
        for (const auto& term : terms) {
            sum += term.amplitude * std::cos(term.phase_rad + term.frequency_rad_per_millennium * tau);
        }
        total += sum * power;
        power *= tau;
    }
    return total * 1e-8;
}

}  // namespace

SunOfDate sun_of_date(double tt_julian_day) {
    constexpr double DAYS_PER_JULIAN_MILLENNIUM = 365250.0;
    const double tau = (tt_julian_day - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_MILLENNIUM;
    const std::span<const PeriodicTerm> longitude[] = {LONGITUDE_0, LONGITUDE_1, LONGITUDE_2, LONGITUDE_3,
                                                       LONGITUDE_4};
    const std::span<const PeriodicTerm> distance[] = {DISTANCE_0, DISTANCE_1, DISTANCE_2, DISTANCE_3};
    const double t = tau * 10.0;
    // The Earth's orbital elements for the aberration (Meeus, ch. 23 and 25).
    const double eccentricity = 0.016708634 - t * (0.000042037 + t * 0.0000001267);
    const double perihelion_rad = (102.93735 + t * (1.71946 + t * 0.00046)) * DEGREES_TO_RADIANS;
    // The Sun is opposite the Earth's heliocentric place.
    return {evaluated(longitude, tau) + PI, evaluated(distance, tau), eccentricity, perihelion_rad};
}

}  // namespace orbyx
