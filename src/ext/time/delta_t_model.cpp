#include "ext/time/delta_t_model.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "core/constants.hpp"

namespace orbyx {
namespace {

// One cubic of the spline, from its knot year to the next one's:
// ΔT = a0 + a1 t + a2 t^2 + a3 t^3 with t running from 0 to 1 across it.
struct SplineSegment {
    double start_year;
    double a0, a1, a2, a3;
};

// Morrison, Stephenson, Hohenkerk and Zawilski (2021), "Addendum 2020 to 'Measurement
// of the Earth's rotation: 720 BC to AD 2015'", Proc. R. Soc. A 477: 20200776, table
// S15 (2020 revision of Stephenson, Morrison and Hohenkerk 2016, table S15); seconds.
constexpr std::array<SplineSegment, 58> SPLINE = {{
    {-720, 20371.848, -9999.586, 776.247, 409.16},
    {-100, 11557.668, -5822.27, 1303.151, -503.433},
    {400, 6535.116, -5671.519, -298.291, 1085.087},
    {1000, 1650.393, -753.21, 184.811, -25.346},
    {1150, 1056.647, -459.628, 108.771, -24.641},
    {1300, 681.149, -421.345, 61.953, -29.414},
    {1500, 292.343, -192.841, -6.572, 16.197},
    {1600, 109.127, -78.697, 10.505, 3.018},
    {1650, 43.952, -68.089, 38.333, -2.127},
    {1720, 12.068, 2.507, 41.731, -37.939},
    {1800, 18.367, -3.481, -1.126, 1.918},
    {1810, 15.678, 0.021, 4.629, -3.812},
    {1820, 16.516, -2.157, -6.806, 3.25},
    {1830, 10.804, -6.018, 2.944, -0.096},
    {1840, 7.634, -0.416, 2.658, -0.539},
    {1850, 9.338, 1.642, 0.261, -0.883},
    {1855, 10.357, -0.486, -2.389, 1.558},
    {1860, 9.04, -0.591, 2.284, -2.477},
    {1865, 8.255, -3.456, -5.148, 2.72},
    {1870, 2.371, -5.593, 3.011, -0.914},
    {1875, -1.126, -2.314, 0.269, -0.039},
    {1880, -3.21, -1.893, 0.152, 0.563},
    {1885, -4.388, 0.101, 1.842, -1.438},
    {1890, -3.884, -0.531, -2.474, 1.871},
    {1895, -5.017, 0.134, 3.138, -0.232},
    {1900, -1.977, 5.715, 2.443, -1.257},
    {1905, 4.923, 6.828, -1.329, 0.72},
    {1910, 11.142, 6.33, 0.831, -0.825},
    {1915, 17.479, 5.518, -1.643, 0.262},
    {1920, 21.617, 3.02, -0.856, 0.008},
    {1925, 23.789, 1.333, -0.831, 0.127},
    {1930, 24.418, 0.052, -0.449, 0.142},
    {1935, 24.164, -0.419, -0.022, 0.702},
    {1940, 24.426, 1.645, 2.086, -1.106},
    {1945, 27.05, 2.499, -1.232, 0.614},
    {1950, 28.932, 1.127, 0.22, -0.277},
    {1953, 30.002, 0.737, -0.61, 0.631},
    {1956, 30.76, 1.409, 1.282, -0.799},
    {1959, 32.652, 1.577, -1.115, 0.507},
    {1962, 33.621, 0.868, 0.406, 0.199},
    {1965, 35.093, 2.275, 1.002, -0.414},
    {1968, 37.956, 3.035, -0.242, 0.202},
    {1971, 40.951, 3.157, 0.364, -0.229},
    {1974, 44.244, 3.199, -0.323, 0.172},
    {1977, 47.291, 3.069, 0.193, -0.192},
    {1980, 50.361, 2.878, -0.384, 0.081},
    {1983, 52.936, 2.354, -0.14, -0.165},
    {1986, 54.984, 1.577, -0.637, 0.448},
    {1989, 56.373, 1.648, 0.708, -0.276},
    {1992, 58.453, 2.235, -0.121, 0.11},
    {1995, 60.678, 2.324, 0.21, -0.313},
    {1998, 62.898, 1.804, -0.729, 0.109},
    {2001, 64.083, 0.674, -0.402, 0.199},
    {2004, 64.553, 0.466, 0.194, -0.017},
    {2007, 65.197, 0.804, 0.144, -0.084},
    {2010, 66.061, 0.839, -0.109, 0.128},
    {2013, 66.92, 1.007, 0.277, -0.095},
    {2016, 68.109, 1.277, -0.007, -0.139},
}};
constexpr double SPLINE_END_YEAR = 2019.0;

// Stephenson, Morrison and Hohenkerk (2016), "Measurement of the Earth's rotation:
// 720 BC to AD 2015", Proc. R. Soc. A 472: 20160404, the long-term parabola
// ΔT = -320.0 + 32.5 ((year - 1825) / 100)^2 s.
constexpr double PARABOLA_OFFSET_S = -320.0;
constexpr double PARABOLA_S_PER_CENTURY2 = 32.5;
constexpr double PARABOLA_CENTRE_YEAR = 1825.0;

// The spline ends hundreds of seconds off the parabola (358 s below it at -720, 267 s
// above at 2019). A cubic meeting both in value and rate spreads that over five
// centuries, where observations no longer pin ΔT down, instead of a jump.
constexpr double BRIDGE_YEARS = 500.0;

// Decade fluctuations of the Earth's rotation forget the tables' offset from the
// model within about ten years.
constexpr double TAPER_YEARS = 10.0;

constexpr double DAYS_PER_JULIAN_YEAR = 365.25;

struct ValueAndRate {
    double value;  // seconds
    double rate;   // seconds per year
};

double julian_year(double tt_julian_day) {
    return 2000.0 + (tt_julian_day - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_YEAR;
}

ValueAndRate parabola(double year) {
    const double centuries = (year - PARABOLA_CENTRE_YEAR) / 100.0;
    return {PARABOLA_OFFSET_S + PARABOLA_S_PER_CENTURY2 * centuries * centuries,
            2.0 * PARABOLA_S_PER_CENTURY2 * centuries / 100.0};
}

ValueAndRate spline(double year) {
    // The last segment whose knot is at or before the year.
    const auto after = std::upper_bound(SPLINE.begin(), SPLINE.end(), year,
                                        [](double y, const SplineSegment& s) { return y < s.start_year; });
    const auto segment = after == SPLINE.begin() ? SPLINE.begin() : std::prev(after);
    const double end_year = after == SPLINE.end() ? SPLINE_END_YEAR : after->start_year;
    const double length = end_year - segment->start_year;
    const double t = (year - segment->start_year) / length;
    const SplineSegment& c = *segment;
    return {c.a0 + t * (c.a1 + t * (c.a2 + t * c.a3)),
            (c.a1 + t * (2.0 * c.a2 + t * 3.0 * c.a3)) / length};
}

// The cubic with `from` at year `from_year` and `to` at `from_year + span`, at `year`;
// `span` is negative going back in time.
double hermite(double year, double from_year, double span, ValueAndRate from, ValueAndRate to) {
    const double s = (year - from_year) / span;
    const double s2 = s * s;
    const double s3 = s2 * s;
    return (2 * s3 - 3 * s2 + 1) * from.value + (s3 - 2 * s2 + s) * span * from.rate +
           (3 * s2 - 2 * s3) * to.value + (s3 - s2) * span * to.rate;
}

double model_at_year(double year) {
    const double first_year = SPLINE.front().start_year;
    if (year >= first_year && year <= SPLINE_END_YEAR) return spline(year).value;
    const bool before = year < first_year;
    const double edge_year = before ? first_year : SPLINE_END_YEAR;
    const double span = before ? -BRIDGE_YEARS : BRIDGE_YEARS;
    if ((year - edge_year) / span >= 1.0) return parabola(year).value;
    return hermite(year, edge_year, span, spline(edge_year), parabola(edge_year + span));
}

// 1 at the edge, 0 from TAPER_YEARS away on, flat at both ends.
double taper(double years_from_edge) {
    const double x = std::min(years_from_edge / TAPER_YEARS, 1.0);
    return (1.0 - x) * (1.0 - x) * (1.0 + 2.0 * x);
}

}  // namespace

double modelled_delta_t_seconds(double tt_julian_day) {
    return model_at_year(julian_year(tt_julian_day));
}

double joined_delta_t_seconds(double tt_julian_day, const DeltaTAtEdge& first,
                              const DeltaTAtEdge& last) {
    // The model meets the tables at their nearer edge by an offset that fades out, so
    // ΔT runs on continuously there and the model alone holds beyond the taper.
    const bool nearer_first =
        tt_julian_day - first.tt_julian_day < last.tt_julian_day - tt_julian_day;
    const DeltaTAtEdge& edge = nearer_first ? first : last;
    const double offset = edge.delta_t_seconds - modelled_delta_t_seconds(edge.tt_julian_day);
    const double outside_days =
        nearer_first ? first.tt_julian_day - tt_julian_day : tt_julian_day - last.tt_julian_day;
    return modelled_delta_t_seconds(tt_julian_day) +
           offset * taper(std::max(outside_days, 0.0) / DAYS_PER_JULIAN_YEAR);
}

}  // namespace orbyx
