#include "ext/lunar_points/mean_lunar_elements.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"

namespace orbyx {
namespace {

// Delaunay arguments of Simon et al. (1994) as IERS Conventions 2010 (eq. 5.43) give
// them, arcseconds and powers of TDB Julian centuries from J2000, on the mean equinox
// of date: l the Moon's mean anomaly, F its mean argument of latitude, Omega the mean
// longitude of its ascending node.
constexpr double MEAN_ANOMALY_ARCSEC[] = {485868.249036, 1717915923.2178, 31.8792, 0.051635, -0.00024470};
constexpr double ARGUMENT_OF_LATITUDE_ARCSEC[] = {335779.526232, 1739527262.8478, -12.7512, -0.001037,
                                                  0.00000417};
constexpr double NODE_ARCSEC[] = {450160.398036, -6962890.5431, 7.4722, 0.007702, -0.00005939};

// Mean inclination of the Moon's orbit on the ecliptic, 5 deg 8' 43.4" (Meeus,
// Astronomical Algorithms, ch. 47, after ELP 2000-82).
constexpr double MEAN_INCLINATION_DEG = 5.0 + 8.0 / 60.0 + 43.4 / 3600.0;

double polynomial_arcsec(const double (&coefficients)[5], double t) {
    return coefficients[0] +
           t * (coefficients[1] + t * (coefficients[2] + t * (coefficients[3] + t * coefficients[4])));
}

double centuries(double tdb_julian_day) {
    return (tdb_julian_day - J2000_JULIAN_DAY) / DAYS_PER_JULIAN_CENTURY;
}

}  // namespace

EclipticDirection mean_lunar_node(double tdb_julian_day) {
    const double node_arcsec = polynomial_arcsec(NODE_ARCSEC, centuries(tdb_julian_day));
    return {reduced_to_circle_deg(node_arcsec / 3600.0), 0.0};
}

EclipticDirection mean_lunar_apogee(double tdb_julian_day) {
    const double t = centuries(tdb_julian_day);
    // The mean perigee's longitude is the mean longitude F + Omega less the mean anomaly;
    // measured along the orbit from the node it is the argument F - l.
    const double perigee_from_node_arcsec =
        polynomial_arcsec(ARGUMENT_OF_LATITUDE_ARCSEC, t) - polynomial_arcsec(MEAN_ANOMALY_ARCSEC, t);
    const double node_deg = polynomial_arcsec(NODE_ARCSEC, t) / 3600.0;
    const double from_node_rad =
        reduced_to_turn_rad(perigee_from_node_arcsec * ARCSECONDS_TO_RADIANS + PI);
    const double inclination_rad = MEAN_INCLINATION_DEG * DEGREES_TO_RADIANS;
    const double along_node_rad = std::atan2(std::cos(inclination_rad) * std::sin(from_node_rad),
                                             std::cos(from_node_rad));
    return {reduced_to_circle_deg(node_deg + along_node_rad * RADIANS_TO_DEGREES),
            std::asin(std::sin(inclination_rad) * std::sin(from_node_rad)) * RADIANS_TO_DEGREES};
}

}  // namespace orbyx
