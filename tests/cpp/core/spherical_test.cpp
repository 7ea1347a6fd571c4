#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/constants.hpp"
#include "core/spherical.hpp"

namespace orbyx {
namespace {

using Vector3 = std::array<double, 3>;

CartesianState state(Vector3 position, Vector3 velocity = {0.0, 0.0, 0.0}) {
    return {position, velocity};
}

TEST(ToSpherical, OctantPointAndItsRates) {
    const auto result = to_spherical(state({1.0, 1.0, std::sqrt(2.0)}, {-1.0, 1.0, 0.0}));
    ASSERT_TRUE(result.ok());
    EXPECT_NEAR(result->longitude_deg, 45.0, 1e-12);
    EXPECT_NEAR(result->latitude_deg, 45.0, 1e-12);
    EXPECT_NEAR(result->distance_km, 2.0, 1e-15);
    // (x vy - y vx) / rho^2 = 1 rad/s.
    EXPECT_NEAR(result->longitude_speed_deg_per_day, RADIANS_TO_DEGREES * 86400.0, 1e-8);
}

TEST(ToSpherical, LongitudeWrapsIntoOneTurn) {
    EXPECT_NEAR(to_spherical(state({0.0, -2.0, 0.0}))->longitude_deg, 270.0, 1e-12);
    EXPECT_EQ(to_spherical(state({-1.0, 0.0, 0.0}))->longitude_deg, 180.0);
    // A hair below zero would round up to exactly 360.
    EXPECT_EQ(to_spherical(state({1.0, -1e-20, 0.0}))->longitude_deg, 0.0);
    const double small = to_spherical(state({1.0, -1e-10, 0.0}))->longitude_deg;
    EXPECT_LT(small, 360.0);
    EXPECT_NEAR(small, 360.0 - 1e-10 * RADIANS_TO_DEGREES, 1e-12);
}

TEST(ToSpherical, NegativeZeroLongitudeIsKept) {
    const double longitude = to_spherical(state({3.0, -0.0, 1.0}))->longitude_deg;
    EXPECT_EQ(longitude, 0.0);
    EXPECT_TRUE(std::signbit(longitude));
}

TEST(ToSpherical, RadialMotionHasNoLongitudeSpeedAndPolarNeighbourhoodIsFast) {
    EXPECT_EQ(to_spherical(state({2.0, 4.0, 1.0}, {0.5, 1.0, 0.25}))->longitude_speed_deg_per_day,
              0.0);
    const auto near_pole = to_spherical(state({1e-9, 0.0, 1.0}, {0.0, 1.0, 0.0}));
    ASSERT_TRUE(near_pole.ok());
    EXPECT_NEAR(near_pole->longitude_speed_deg_per_day, 1e9 * RADIANS_TO_DEGREES * 86400.0, 1e4);
    EXPECT_NEAR(near_pole->latitude_deg, 90.0, 1e-6);
}

TEST(ToSpherical, DegenerateAndNonFiniteStatesFail) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(to_spherical(state({0.0, 0.0, 5.0})).error(), CoordinateError::UndefinedOnZAxis);
    EXPECT_EQ(to_spherical(state({0.0, 0.0, -0.0})).error(), CoordinateError::UndefinedAtOrigin);
    EXPECT_EQ(to_spherical(state({1.0, 2.0, 3.0}, {0.0, inf, 0.0})).error(),
              CoordinateError::NonFiniteState);
    EXPECT_EQ(to_spherical(state({nan, 0.0, 0.0})).error(), CoordinateError::NonFiniteState);
    // No tolerance: a point just off the axis is accepted.
    EXPECT_TRUE(to_spherical(state({0.0, 1e-150, 1.0})).ok());
}

TEST(ToJ2000Ecliptic, RotatesAboutXByTheJ2000Obliquity) {
    const auto result = to_j2000_ecliptic(state({1.0, 0.0, 1.0}, {2.0, 1.0, 0.0}));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->position, (Vector3{1.0, J2000_MEAN_OBLIQUITY_SIN, J2000_MEAN_OBLIQUITY_COS}));
    EXPECT_EQ(result->velocity,
              (Vector3{2.0, J2000_MEAN_OBLIQUITY_COS, -J2000_MEAN_OBLIQUITY_SIN}));
    // The celestial pole lands at ecliptic latitude 90 - 23.439291...
    const auto pole = to_spherical(to_j2000_ecliptic(state({0.0, 0.0, 1.0})).value());
    EXPECT_NEAR(pole->latitude_deg, 90.0 - 84381.448 / 3600.0, 1e-12);
    EXPECT_NEAR(pole->longitude_deg, 90.0, 1e-12);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(to_j2000_ecliptic(state({1.0, 0.0, 0.0}, {0.0, 0.0, -inf})).error(),
              CoordinateError::NonFiniteState);
}

}  // namespace
}  // namespace orbyx
