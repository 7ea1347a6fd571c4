#include <gtest/gtest.h>

#include <cmath>

#include "core/constants.hpp"
#include "core/planar_rotation.hpp"
#include "ext/lunar_points/osculating_orbit.hpp"

namespace orbyx {
namespace {

struct Orbit {
    double node_deg;
    double inclination_deg;
    double perigee_from_node_deg;
    double eccentricity;
    double true_anomaly_deg;
};

// The state on a Kepler orbit of these elements, about the Moon's size, built by
// rotating the perifocal position and velocity: R3(-node) R1(-i) R3(-perigee).
CartesianState state_on(const Orbit& orbit) {
    const double semi_latus_km = 384400.0 * (1.0 - orbit.eccentricity * orbit.eccentricity);
    const double nu = orbit.true_anomaly_deg * DEGREES_TO_RADIANS;
    const double r = semi_latus_km / (1.0 + orbit.eccentricity * std::cos(nu));
    const double speed_scale = std::sqrt(EARTH_MOON_GM_KM3_PER_S2 / semi_latus_km);
    const double p[2] = {r * std::cos(nu), r * std::sin(nu)};
    const double v[2] = {-speed_scale * std::sin(nu), speed_scale * (orbit.eccentricity + std::cos(nu))};
    const double o = orbit.node_deg * DEGREES_TO_RADIANS;
    const double i = orbit.inclination_deg * DEGREES_TO_RADIANS;
    const double w = orbit.perigee_from_node_deg * DEGREES_TO_RADIANS;
    const auto turned = [&](const double (&q)[2]) {
        const double x = q[0] * std::cos(w) - q[1] * std::sin(w);
        const double y = q[0] * std::sin(w) + q[1] * std::cos(w);
        const double y_tilted = y * std::cos(i);
        return Vector3{x * std::cos(o) - y_tilted * std::sin(o), x * std::sin(o) + y_tilted * std::cos(o),
                       y * std::sin(i)};
    };
    return {turned(p), turned(v)};
}

double degrees_apart(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0));
}

class OsculatingOrbit : public ::testing::TestWithParam<Orbit> {};

// Wherever the body is on its orbit, the node is the orbit's, and the apogee lies half
// a turn from the perigee along the orbit, above or below the reference plane.
TEST_P(OsculatingOrbit, RecoversTheNodeAndTheApogeeOfTheOrbit) {
    const Orbit& orbit = GetParam();
    const CartesianState state = state_on(orbit);
    EXPECT_LT(degrees_apart(osculating_node(state).longitude_deg, orbit.node_deg), 1e-11);

    const double i = orbit.inclination_deg * DEGREES_TO_RADIANS;
    const double from_node = (orbit.perigee_from_node_deg + 180.0) * DEGREES_TO_RADIANS;
    const double expected_longitude =
        orbit.node_deg + std::atan2(std::cos(i) * std::sin(from_node), std::cos(from_node)) * RADIANS_TO_DEGREES;
    const double expected_latitude = std::asin(std::sin(i) * std::sin(from_node)) * RADIANS_TO_DEGREES;
    const EclipticDirection apogee = osculating_apogee(state);
    EXPECT_LT(degrees_apart(apogee.longitude_deg, expected_longitude), 1e-9);
    EXPECT_NEAR(apogee.latitude_deg, expected_latitude, 1e-9);
    EXPECT_GE(apogee.longitude_deg, 0.0);
    EXPECT_LT(apogee.longitude_deg, 360.0);
}

INSTANTIATE_TEST_SUITE_P(MoonLikeOrbits, OsculatingOrbit,
                         ::testing::Values(Orbit{125.0, 5.145, 318.0, 0.0549, 0.0},
                                           Orbit{359.9, 5.3, 80.0, 0.07, 200.0},
                                           Orbit{200.0, 4.98, 185.0, 0.03, 95.0},
                                           // Retrograde, steep: the node still along z x h.
                                           Orbit{10.0, 120.0, 45.0, 0.2, 300.0}));

}  // namespace
}  // namespace orbyx
