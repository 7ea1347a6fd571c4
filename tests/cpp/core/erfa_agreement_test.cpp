// Agreement with ERFA (pyerfa) on the quantities shared with its IAU 2006/2000B
// routines; the reference values come from make_erfa_references.py.
#include <gtest/gtest.h>

#include <cmath>

#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/nutation.hpp"
#include "core/observer.hpp"
#include "core/of_date_rotation.hpp"
#include "core/precession_iau2006.hpp"
#include "erfa_references.hpp"

namespace orbyx {
namespace {

using erfa_references::DATES;
using erfa_references::Matrix;

constexpr double TWO_PI = 6.283185307179586;
// Same model, same arithmetic up to ordering: rounding only.
constexpr double SAME_MODEL_RAD = 1e-12;
// ee00b carries the full complementary-terms series (33 + 1 terms) and evaluates
// dpsi cos(eps) with the IAU 2000 obliquity; the two-term form leaves out up to
// 1.68e-10 rad (34.6 uas) over 1900-2100 in a daily scan, 6.1e-11 at the dates
// here (the 2F-2D+3Om and 2F-2D+Om terms alone reach 23 uas).
constexpr double EQUATION_OF_EQUINOXES_RAD = 2e-10;

double angle_difference(double a, double b) { return std::remainder(a - b, TWO_PI); }

// Column j of the rotation is its image of the unit vector j.
template <class Rotate>
void expect_matrix_near(const Matrix& expected, Rotate rotate, double tolerance,
                        const char* what, int date) {
    for (int j = 0; j < 3; ++j) {
        Vector3 unit{0.0, 0.0, 0.0};
        unit[j] = 1.0;
        const Vector3 column = rotate(unit);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(column[i], expected[i][j], tolerance)
                << what << " date " << date << " element " << i << j;
        }
    }
}

Vector3 rotated_position(const OfDateRotation& rotation, const Vector3& position) {
    return rotation.apply(CartesianState{position, {0.0, 0.0, 0.0}})->position;
}

TEST(ErfaAgreement, NutationIau2000bMatchesNut00b) {
    for (const auto& date : DATES) {
        const Nutation nutation = nutation_iau2000b(date.tt_julian_day);
        EXPECT_NEAR(nutation.dpsi_rad, date.dpsi_rad, SAME_MODEL_RAD) << date.tt_julian_day;
        EXPECT_NEAR(nutation.deps_rad, date.deps_rad, SAME_MODEL_RAD) << date.tt_julian_day;
    }
}

TEST(ErfaAgreement, FukushimaWilliamsAnglesMatchPfw06) {
    for (const auto& date : DATES) {
        const auto angles =
            fukushima_williams_iau2006(julian_centuries_since_j2000(date.tt_julian_day));
        EXPECT_NEAR(angles.gamma_bar_rad, date.gamma_bar_rad, SAME_MODEL_RAD);
        EXPECT_NEAR(angles.phi_bar_rad, date.phi_bar_rad, SAME_MODEL_RAD);
        EXPECT_NEAR(angles.psi_bar_rad, date.psi_bar_rad, SAME_MODEL_RAD);
        EXPECT_NEAR(angles.epsilon_a_rad, date.epsilon_a_rad, SAME_MODEL_RAD);
    }
}

TEST(ErfaAgreement, OfDateRotationsMatchFw2mAndEcm06) {
    for (int d = 0; d < int(DATES.size()); ++d) {
        const auto& date = DATES[d];
        const OfDateRotation true_equator(true, true, date.tt_julian_day);
        const OfDateRotation mean_equator(false, true, date.tt_julian_day);
        const OfDateRotation mean_ecliptic(false, false, date.tt_julian_day);
        expect_matrix_near(
            date.true_equator_of_date,
            [&](const Vector3& v) { return rotated_position(true_equator, v); }, SAME_MODEL_RAD,
            "true equator", d);
        expect_matrix_near(
            date.mean_equator_of_date,
            [&](const Vector3& v) { return rotated_position(mean_equator, v); }, SAME_MODEL_RAD,
            "mean equator", d);
        expect_matrix_near(
            date.mean_ecliptic_of_date,
            [&](const Vector3& v) { return rotated_position(mean_ecliptic, v); }, SAME_MODEL_RAD,
            "mean ecliptic", d);
    }
}

TEST(ErfaAgreement, EarthRotationAngleAndMeanSiderealTimeMatchEra00AndGmst06) {
    for (const auto& date : DATES) {
        EXPECT_NEAR(angle_difference(earth_rotation_angle(date.ut1_julian_day), date.era_rad), 0.0,
                    SAME_MODEL_RAD)
            << date.ut1_julian_day;
        EXPECT_NEAR(
            angle_difference(gmst_iau2006(date.ut1_julian_day, date.tt_julian_day), date.gmst_rad),
            0.0, SAME_MODEL_RAD)
            << date.ut1_julian_day;
    }
}

TEST(ErfaAgreement, EquationOfEquinoxesWithinTheOmittedComplementaryTermsOfEe00b) {
    for (const auto& date : DATES) {
        const double ee =
            equation_of_equinoxes(date.tt_julian_day, nutation_iau2000b(date.tt_julian_day));
        EXPECT_NEAR(ee, date.ee_rad, EQUATION_OF_EQUINOXES_RAD) << date.tt_julian_day;
        const double gast = greenwich_apparent_sidereal_time(date.ut1_julian_day, date.tt_julian_day);
        EXPECT_NEAR(angle_difference(gast, date.gast_rad), 0.0,
                    EQUATION_OF_EQUINOXES_RAD + SAME_MODEL_RAD)
            << date.tt_julian_day;
    }
}

TEST(ErfaAgreement, PolarMotionMatchesPom00WithSp00) {
    for (int d = 0; d < int(DATES.size()); ++d) {
        const auto& date = DATES[d];
        const double xp = date.xp_arcsec * ARCSECONDS_TO_RADIANS;
        const double yp = date.yp_arcsec * ARCSECONDS_TO_RADIANS;
        const double sprime = tio_locator_rad(date.tt_julian_day);
        expect_matrix_near(
            date.itrs_to_intermediate,
            [&](const Vector3& v) { return remove_polar_motion(v, xp, yp, sprime); },
            SAME_MODEL_RAD, "polar motion", d);
    }
}

TEST(ErfaAgreement, TerrestrialPositionMatchesGd2gcOnGrs80) {
    for (const auto& site : erfa_references::SITES) {
        const Vector3 itrs_km = terrestrial_position_km(site.longitude_east_deg * DEGREES_TO_RADIANS,
                                                        site.latitude_deg * DEGREES_TO_RADIANS,
                                                        site.height_m);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(itrs_km[i] * 1000.0, site.itrs_m[i], 1e-12 * 6378137.0)
                << site.latitude_deg;
        }
    }
}

// The GCRS site differs from the ERFA chain only through the equation of the
// equinoxes: at most 2e-10 rad times 6378 km, 1.3 mm (0.36 mm at these dates).
TEST(ErfaAgreement, ObserverGcrsStateMatchesTheErfaChain) {
    constexpr double POSITION_KM = EQUATION_OF_EQUINOXES_RAD * 6378.137 + 1e-12 * 6378.137;
    constexpr double VELOCITY_KM_PER_S = POSITION_KM * EARTH_ROTATION_RATE_RAD_PER_S;
    for (const auto& reference : erfa_references::OBSERVERS) {
        const auto& date = DATES[reference.date];
        const auto& site = erfa_references::SITES[reference.site];
        const auto state = observer_gcrs_from_geodetic(
            {site.longitude_east_deg, site.latitude_deg, site.height_m}, date.ut1_julian_day,
            date.tt_julian_day, date.xp_arcsec, date.yp_arcsec);
        ASSERT_TRUE(state.ok());
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(state->position[i], reference.position_km[i], POSITION_KM)
                << "date " << reference.date << " site " << reference.site;
            EXPECT_NEAR(state->velocity[i], reference.velocity_km_per_s[i], VELOCITY_KM_PER_S)
                << "date " << reference.date << " site " << reference.site;
        }
    }
}

}  // namespace
}  // namespace orbyx
