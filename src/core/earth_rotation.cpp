#include "core/earth_rotation.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/precession_iau2006.hpp"
#include "core/same_bits.hpp"

namespace orbyx {

double earth_rotation_angle(double ut1_julian_day) {
    const double d = ut1_julian_day;
    double fraction = d - std::trunc(d);
    if (fraction < 0.0) fraction += 1.0;
    return reduced_to_turn_rad(
        TWO_PI * ((d - J2000_JULIAN_DAY) * 0.00273781191135448 + (fraction + 0.779057273264)));
}

double gmst_iau2006(double ut1_julian_day, double tt_julian_day) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const double polynomial_arcsec =
        0.014506 +
        (4612.156534 + (1.3915817 + (-0.00000044 + (-0.000029956 + -0.0000000368 * t) * t) * t) * t) *
            t;
    return reduced_to_turn_rad(earth_rotation_angle(ut1_julian_day) +
                          polynomial_arcsec * ARCSECONDS_TO_RADIANS);
}

double equation_of_equinoxes(double tt_julian_day, const Nutation& nutation) {
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const double om = moon_node_longitude_rad(t);
    return nutation.dpsi_rad * std::cos(mean_obliquity_iau2006_rad(t)) +
           (0.00264096 * std::sin(om) + 0.00006352 * std::sin(2.0 * om)) * ARCSECONDS_TO_RADIANS;
}

double greenwich_apparent_sidereal_time(double ut1_julian_day, double tt_julian_day,
                                        const Nutation& nutation) {
    // A site's state and the hour angle of a horizon search step both need the
    // sidereal time of one UT1/TT pair: keep the last one.
    struct Entry {
        bool filled = false;
        double ut1_julian_day = 0.0;
        double tt_julian_day = 0.0;
        Nutation nutation{};
        double gast_rad = 0.0;
    };
    thread_local Entry last;
    if (last.filled && same_bits(last.ut1_julian_day, ut1_julian_day) && same_bits(last.tt_julian_day, tt_julian_day) &&
        same_bits(last.nutation.dpsi_rad, nutation.dpsi_rad) && same_bits(last.nutation.deps_rad, nutation.deps_rad)) {
        return last.gast_rad;
    }
    const double gast = reduced_to_turn_rad(gmst_iau2006(ut1_julian_day, tt_julian_day) +
                                            equation_of_equinoxes(tt_julian_day, nutation));
    last = {true, ut1_julian_day, tt_julian_day, nutation, gast};
    return gast;
}

double greenwich_apparent_sidereal_time(double ut1_julian_day, double tt_julian_day) {
    return greenwich_apparent_sidereal_time(ut1_julian_day, tt_julian_day,
                                            nutation_iau2000b(tt_julian_day));
}

double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day, const Nutation& nutation) {
    return reduced_to_turn_rad(east_longitude_rad +
                          greenwich_apparent_sidereal_time(ut1_julian_day, tt_julian_day, nutation));
}

double local_apparent_sidereal_time_iau2006(double east_longitude_rad, double ut1_julian_day,
                                            double tt_julian_day) {
    return local_apparent_sidereal_time_iau2006(east_longitude_rad, ut1_julian_day, tt_julian_day,
                                                nutation_iau2000b(tt_julian_day));
}

double tio_locator_rad(double tt_julian_day) {
    return julian_centuries_since_j2000(tt_julian_day) * -2.278624301214819e-10;
}

}  // namespace orbyx
