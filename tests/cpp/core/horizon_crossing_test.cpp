#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "core/constants.hpp"
#include "core/horizon_crossing.hpp"

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double HALF_PI = 1.5707963267948966;
constexpr double PI = 3.141592653589793;

HorizonCrossing::Kind kind_of(double latitude_rad, double declination_rad, double altitude_rad) {
    return rise_set_hour_angle(latitude_rad, declination_rad, altitude_rad)->kind;
}

double radians(double degrees) { return degrees * DEGREES_TO_RADIANS; }

TEST(RiseSetHourAngle, AnyNonFiniteInputIsRefused) {
    for (const auto& [latitude, declination, altitude] :
         {std::array{NaN, 0.1, 0.0}, std::array{0.7, NaN, 0.0}, std::array{0.7, 0.1, NaN},
          std::array{0.7, INF, 0.0}, std::array{-INF, 0.1, 0.0}}) {
        const auto crossing = rise_set_hour_angle(latitude, declination, altitude);
        ASSERT_FALSE(crossing.ok());
        EXPECT_EQ(crossing.error(), CoordinateError::NonFiniteState);
    }
}

TEST(RiseSetHourAngle, CrossingHourAnglePutsTheBodyAtTheAltitude) {
    // Equator, equatorial body, geometric horizon: six hours either side of transit.
    EXPECT_NEAR(rise_set_hour_angle(0.0, 0.0, 0.0)->hour_angle_rad, HALF_PI, 1e-15);

    for (const auto& [latitude, declination, altitude] :
         {std::array{48.85, -6.0, -0.8333}, std::array{-33.9, 23.4, -0.5667}, std::array{60.0, 20.0, 5.0},
          std::array{-70.0, -15.0, 0.0}}) {
        const auto crossing = rise_set_hour_angle(radians(latitude), radians(declination), radians(altitude));
        ASSERT_EQ(crossing->kind, HorizonCrossing::Kind::Crosses);
        const double h0 = crossing->hour_angle_rad;
        EXPECT_GE(h0, 0.0);
        EXPECT_LE(h0, PI);
        const double phi = radians(latitude), delta = radians(declination);
        const double sin_altitude =
            std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::cos(h0);
        EXPECT_NEAR(std::asin(sin_altitude), radians(altitude), 1e-13);
    }
    // Days are longer than nights where the Sun is on the observer's side of the equator.
    EXPECT_GT(rise_set_hour_angle(radians(50), radians(20), 0.0)->hour_angle_rad, HALF_PI);
    EXPECT_LT(rise_set_hour_angle(radians(-50), radians(20), 0.0)->hour_angle_rad, HALF_PI);
}

TEST(RiseSetHourAngle, CircumpolarAndNeverRisingBodies) {
    // At 80 N a body 20 degrees north never sets; 20 degrees south never rises.
    EXPECT_EQ(kind_of(radians(80), radians(20), 0.0), HorizonCrossing::Kind::StaysAbove);
    EXPECT_EQ(kind_of(radians(80), radians(-20), 0.0), HorizonCrossing::Kind::NeverReaches);
    // An altitude above the upper culmination is never reached, one below the lower
    // culmination is always exceeded.
    EXPECT_EQ(kind_of(radians(48.85), radians(-6), radians(40)), HorizonCrossing::Kind::NeverReaches);
    EXPECT_EQ(kind_of(radians(48.85), radians(-6), radians(-50)), HorizonCrossing::Kind::StaysAbove);
}

TEST(RiseSetHourAngle, DegenerateGeometryComparesAltitudeWithTheFixedHeight) {
    // Body at the celestial pole seen from the pole: cos(phi) cos(delta) is about 4e-33.
    EXPECT_EQ(kind_of(HALF_PI, HALF_PI, 0.0), HorizonCrossing::Kind::StaysAbove);
    // The tie counts as staying above.
    EXPECT_EQ(kind_of(HALF_PI, HALF_PI, HALF_PI), HorizonCrossing::Kind::StaysAbove);
    EXPECT_EQ(kind_of(HALF_PI, -HALF_PI, 0.0), HorizonCrossing::Kind::NeverReaches);
    EXPECT_EQ(kind_of(-HALF_PI, HALF_PI, -0.01), HorizonCrossing::Kind::NeverReaches);

    // At the pole with an ordinary declination the product (about 6e-17) is above the
    // threshold, and the quotient decides: the body circles at its declination.
    EXPECT_EQ(kind_of(HALF_PI, 0.3, 0.29), HorizonCrossing::Kind::StaysAbove);
    EXPECT_EQ(kind_of(HALF_PI, 0.3, 0.31), HorizonCrossing::Kind::NeverReaches);
}

}  // namespace
}  // namespace orbyx
