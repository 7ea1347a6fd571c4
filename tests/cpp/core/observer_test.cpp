#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/observer.hpp"

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double TWO_PI = 6.283185307179586;
constexpr double UT1 = 2460676.3;
constexpr double TT = UT1 + 69.2 / 86400.0;

double norm(const std::array<double, 3>& v) { return std::hypot(v[0], v[1], v[2]); }

TEST(ValidateObserver, ChecksInOrderAndKeepsTheObserver) {
    const auto error_of = [](GeodeticObserver observer) {
        return validate_observer(observer).error();
    };
    EXPECT_EQ(error_of({NaN, 100.0, 0.0}), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, 100.0, INFINITY}), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, NaN, 0.0}), CoordinateError::NonFiniteState);
    EXPECT_EQ(message(error_of({0.0, NaN, 0.0})), "Cartesian state must be finite");
    EXPECT_EQ(error_of({0.0, -90.0000001, 0.0}), CoordinateError::InvalidLatitude);
    EXPECT_EQ(message(error_of({0.0, 90.5, 0.0})),
              "geodetic latitude must be finite and within [-90, 90] degrees");

    for (const GeodeticObserver observer : {GeodeticObserver{-190.0, -90.0, -400.0},
                                            GeodeticObserver{400.0, 90.0, 1e4}}) {
        const auto valid = validate_observer(observer);
        ASSERT_TRUE(valid.ok());
        EXPECT_EQ(valid->longitude_east_deg, observer.longitude_east_deg);
        EXPECT_EQ(valid->latitude_deg, observer.latitude_deg);
        EXPECT_EQ(valid->height_m, observer.height_m);
    }
}

TEST(ObserverGcrs, RejectsInvalidSitesBeforeNonFiniteEpochs) {
    EXPECT_EQ(observer_gcrs_from_geodetic({0.0, 91.0, 0.0}, NaN, TT, 0.0, 0.0).error(),
              CoordinateError::InvalidLatitude);
    EXPECT_EQ(observer_gcrs_from_geodetic({0.0, 45.0, 0.0}, UT1, TT, NaN, 0.0).error(),
              CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic({0.0, 45.0, 0.0}, UT1, TT, 0.0, INFINITY).error(),
              CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic({0.0, 45.0, 0.0}, NaN, TT, 0.0, 0.0).error(),
              CoordinateError::NonFiniteState);
    EXPECT_EQ(observer_gcrs_from_geodetic({0.0, 45.0, 0.0}, UT1, -INFINITY, 0.0, 0.0).error(),
              CoordinateError::NonFiniteState);
}

TEST(ObserverGcrs, PoleSiteSitsAtThePolarRadiusAndOnlyPolarMotionMovesIt) {
    const Vector3 itrs = terrestrial_position_km(0.0, 90.0 * DEGREES_TO_RADIANS, 0.0);
    EXPECT_NEAR(itrs[0], 0.0, 1e-12);
    EXPECT_EQ(itrs[1], 0.0);
    EXPECT_NEAR(itrs[2], 6356.752314140356, 1e-9);

    const auto still = observer_gcrs_from_geodetic({0.0, 90.0, 0.0}, UT1, TT, 0.0, 0.0);
    ASSERT_TRUE(still.ok());
    EXPECT_NEAR(norm(still->position), 6356.752314140356, 1e-9);
    EXPECT_LT(norm(still->velocity), 1e-15);

    // 0.3" and 0.4" of polar motion put the site 0.5" off the rotation axis.
    const auto moved = observer_gcrs_from_geodetic({0.0, 90.0, 0.0}, UT1, TT, 0.3, 0.4);
    ASSERT_TRUE(moved.ok());
    const double axis_distance_km = 6356.752314140356 * 0.5 * ARCSECONDS_TO_RADIANS;
    EXPECT_NEAR(norm(moved->velocity), EARTH_ROTATION_RATE_RAD_PER_S * axis_distance_km, 1e-15);
}

TEST(ObserverGcrs, EquatorSiteTurnsAtTheEquatorialRadius) {
    const auto site = observer_gcrs_from_geodetic({0.0, 0.0, 0.0}, UT1, TT, 0.0, 0.0);
    ASSERT_TRUE(site.ok());
    EXPECT_NEAR(norm(site->position), 6378.137, 1e-11);
    EXPECT_NEAR(norm(site->velocity), 7.292115e-5 * 6378.137, 1e-15);
    // Eastward motion: velocity perpendicular to the position.
    const auto& r = site->position;
    const auto& v = site->velocity;
    EXPECT_NEAR(r[0] * v[0] + r[1] * v[1] + r[2] * v[2], 0.0, 1e-12);
}

TEST(SiderealTime, EarthRotationAngleAtJ2000IsTheConstantPhase) {
    EXPECT_EQ(earth_rotation_angle(2451545.0), TWO_PI * 0.779057273264);
}

TEST(SiderealTime, LocalTimeStaysWithinOneTurnForAnyLongitude) {
    const double gast = greenwich_apparent_sidereal_time(UT1, TT);
    for (double longitude_deg : {-720.5, -190.0, 0.0, 359.9999, 400.0, 1e5}) {
        const double longitude_rad = longitude_deg * DEGREES_TO_RADIANS;
        const double last = local_apparent_sidereal_time_iau2006(longitude_rad, UT1, TT);
        EXPECT_GE(last, 0.0) << longitude_deg;
        EXPECT_LT(last, TWO_PI) << longitude_deg;
        EXPECT_NEAR(std::remainder(last - gast - longitude_rad, TWO_PI), 0.0, 1e-11)
            << longitude_deg;
    }
}

}  // namespace
}  // namespace orbyx
