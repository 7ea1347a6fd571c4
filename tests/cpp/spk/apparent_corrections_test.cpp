#include "spk/apparent_corrections.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>

#include "core/constants.hpp"
#include "spk/apparent_formulas.hpp"
#include "spk/output_frame.hpp"

namespace orbyx {
namespace {

constexpr double AU = ASTRONOMICAL_UNIT_KM;
constexpr double ARCSECONDS_PER_RADIAN = 206264.80624709636;

double norm(const Vector3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

double angle_between(const Vector3& a, const Vector3& b) {
    const Vector3 c = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    return std::atan2(norm(c), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
}

void expect_vector_near(const Vector3& actual, const Vector3& expected, double tolerance) {
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], tolerance) << axis;
}

TEST(RotateState, CarriesOneDirectionOntoTheOtherWithTheVelocity) {
    const CartesianState state{{2, 0, 0}, {0, 3, 0}};
    const CartesianState turned = rotate_state(state, {1, 0, 0}, {0, 1, 0});
    expect_vector_near(turned.position, {0, 2, 0}, 1e-15);
    expect_vector_near(turned.velocity, {-3, 0, 0}, 1e-15);

    const Vector3 to = {0.6, 0, 0.8};
    const CartesianState tilted = rotate_state(CartesianState{{5, 0, 0}, {1, 2, 3}}, {1, 0, 0}, to);
    expect_vector_near(tilted.position, {3, 0, 4}, 1e-14);
    EXPECT_NEAR(norm(tilted.velocity), std::sqrt(14.0), 1e-14);

    // Parallel directions leave the state exactly as it was.
    const CartesianState same = rotate_state(state, {1, 0, 0}, {1, 0, 0});
    EXPECT_EQ(same.position, state.position);
    EXPECT_EQ(same.velocity, state.velocity);
}

TEST(SolarDeflection, BendsGrazingLightByOnePointSevenFiveArcseconds) {
    // Observer at 1 au, the Sun at the origin, a distant target seen one solar radius
    // from the Sun's centre.
    const Vector3 observer = {AU, 0, 0};
    const Vector3 sun = {0, 0, 0};
    const double solar_radius = 696000.0;
    const Vector3 direction = {-AU, solar_radius, 0};
    const double distance = 1e6 * AU;
    const CartesianState relative{{direction[0] / norm(direction) * distance,
                                   direction[1] / norm(direction) * distance, 0},
                                  {0, 0, 1}};

    const CartesianState deflected = apply_solar_gravitational_deflection(relative, observer, sun);
    EXPECT_NEAR(angle_between(relative.position, deflected.position) * ARCSECONDS_PER_RADIAN, 1.75, 0.01);
    // Away from the Sun, which lies towards -y of the target direction.
    EXPECT_GT(deflected.position[1] / norm(deflected.position), relative.position[1] / norm(relative.position));
    EXPECT_NEAR(norm(deflected.position), distance, distance * 1e-15);
    EXPECT_NEAR(norm(deflected.velocity), 1.0, 1e-15);
}

TEST(SolarDeflection, LeavesDegenerateGeometryAlone) {
    const Vector3 observer = {AU, 0, 0};
    const CartesianState behind_the_sun{{-2 * AU, 0, 0}, {1, 1, 1}};
    const auto unchanged = [](const CartesianState& a, const CartesianState& b) {
        return a.position == b.position && a.velocity == b.velocity;
    };
    EXPECT_TRUE(unchanged(apply_solar_gravitational_deflection(behind_the_sun, observer, {0, 0, 0}),
                          behind_the_sun));
    const CartesianState at_observer{{0, 0, 0}, {1, 1, 1}};
    EXPECT_TRUE(unchanged(apply_solar_gravitational_deflection(at_observer, observer, {0, 0, 0}), at_observer));
    const CartesianState target{{0, AU, 0}, {1, 1, 1}};
    EXPECT_TRUE(unchanged(apply_solar_gravitational_deflection(target, observer, observer), target));
}

TEST(StellarAberration, ShiftsTowardsTheVelocityByVOverC) {
    const CartesianState relative{{0, 2 * AU, 0}, {0.1, 0.2, 0.3}};
    const Vector3 velocity = {30, 0, 0};
    const CartesianState aberrated = apply_stellar_aberration(relative, velocity);
    EXPECT_NEAR(angle_between(relative.position, aberrated.position),
                std::atan(30 / SPEED_OF_LIGHT_KM_PER_S), 1e-12);
    EXPECT_GT(aberrated.position[0], 0);
    EXPECT_NEAR(norm(aberrated.position), 2 * AU, 2 * AU * 1e-15);
    EXPECT_NEAR(norm(aberrated.velocity), norm(relative.velocity), 1e-15);
}

// Four states corrected side by side in vector lanes give the bits each gets alone,
// also where a lane's geometry is degenerate and its neighbours' is not.
TEST(ApparentFormulas, LanesKeepTheBitsOfLoneStates) {
    struct Case {
        CartesianState relative;
        Vector3 observer;
        Vector3 sun;
        Vector3 velocity;
    };
    const Vector3 earth = {0.3 * AU, -0.95 * AU, 1e4};
    const Vector3 sun = {4e5, -2e5, 3e4};
    const Vector3 orbital_velocity = {29.1, 8.7, -0.02};
    const Case cases[] = {
        {{{1.1e8, -2.3e8, 3.7e7}, {10.5, 20.25, -5}}, earth, sun, orbital_velocity},
        {{{0, 0, 0}, {1, 1, 1}}, earth, sun, orbital_velocity},                     // at the observer
        {{{-2 * AU, 1e-3, 0}, {1, 2, 3}}, {AU, 0, 0}, {0, 0, 0}, orbital_velocity},  // behind the Sun
        {{{3.8e5, 1e5, -2e4}, {0.5, -0.9, 0.1}}, sun, sun, orbital_velocity},      // the observer at the Sun
        {{{sun[0] - earth[0], sun[1] - earth[1], sun[2] - earth[2]}, {1, 0, 0}}, earth, sun, orbital_velocity},
        {{{2e8, 1e8, 5e7}, {3, 2, 1}}, earth, sun, {0, 0, 0}},  // no aberration to make
        {{{-AU, 696000.0, 0}, {0, 0, 1}}, {AU, 0, 0}, {0, 0, 0}, orbital_velocity},  // grazing the Sun
        {{{3.8e5, 1e5, -2e4}, {0.5, -0.9, 0.1}}, earth, sun, orbital_velocity},
    };
    constexpr std::size_t LANES = LANE_COUNT<Quad>;
    static_assert(std::size(cases) % LANES == 0);
    for (std::size_t first = 0; first < std::size(cases); first += LANES) {
        const auto lanes_of = [&](auto component) {
            Quad lanes;
            for (std::size_t lane = 0; lane < LANES; ++lane) lanes[lane] = component(cases[first + lane]);
            return lanes;
        };
        const auto vector_of = [&](auto vector) {
            return Vector3Lanes<Quad>{lanes_of([&](const Case& c) { return vector(c)[0]; }),
                                      lanes_of([&](const Case& c) { return vector(c)[1]; }),
                                      lanes_of([&](const Case& c) { return vector(c)[2]; })};
        };
        const StateLanes<Quad> relative{vector_of([](const Case& c) { return c.relative.position; }),
                                        vector_of([](const Case& c) { return c.relative.velocity; })};
        const StateLanes<Quad> corrected =
            aberrated(deflected_by_the_sun(relative, vector_of([](const Case& c) { return c.observer; }),
                                           vector_of([](const Case& c) { return c.sun; })),
                      vector_of([](const Case& c) { return c.velocity; }));
        for (std::size_t lane = 0; lane < LANES; ++lane) {
            const Case& c = cases[first + lane];
            const CartesianState alone = apply_stellar_aberration(
                apply_solar_gravitational_deflection(c.relative, c.observer, c.sun), c.velocity);
            const double in_lanes[6] = {corrected.position.x[lane], corrected.position.y[lane],
                                        corrected.position.z[lane], corrected.velocity.x[lane],
                                        corrected.velocity.y[lane], corrected.velocity.z[lane]};
            EXPECT_EQ(std::memcmp(in_lanes, &alone, sizeof in_lanes), 0) << "case " << first + lane;
        }
    }
}

TEST(OutputFrame, FollowsTheResolvedOptions) {
    const CartesianState state{{1e8, 2e7, 3e7}, {1, -2, 3}};
    PositionOptions options{{OriginKind::Geocentric}, CoordinateSystem::Equatorial, ReferenceEpoch::J2000};
    const Position equatorial = position_from_state(state, output_frame(options, 2451545)).value();
    EXPECT_NEAR(equatorial.longitude_deg, std::atan2(2e7, 1e8) * RADIANS_TO_DEGREES, 1e-12);
    EXPECT_NEAR(equatorial.distance_au * AU, norm(state.position), 1e-6);

    options.coordinate_system = CoordinateSystem::Ecliptic;
    const Position ecliptic = position_from_state(state, output_frame(options, 2451545)).value();
    const double ecliptic_z = -J2000_MEAN_OBLIQUITY_SIN * 2e7 + J2000_MEAN_OBLIQUITY_COS * 3e7;
    EXPECT_NEAR(ecliptic.latitude_deg, std::asin(ecliptic_z / norm(state.position)) * RADIANS_TO_DEGREES, 1e-12);

    // Of date, the output frame is the rotation of the request's TDB day.
    options.reference_epoch = ReferenceEpoch::OfDate;
    options.corrections = {.precession = true};
    const double day = 2460000.5;
    const Position of_date = position_from_state(state, output_frame(options, day)).value();
    const CartesianState rotated = OfDateRotation(false, false, day).apply(state).value();
    EXPECT_EQ(of_date.latitude_deg,
              std::atan2(rotated.position[2], std::hypot(rotated.position[0], rotated.position[1])) *
                  RADIANS_TO_DEGREES);
    EXPECT_GT(std::abs(of_date.longitude_deg - ecliptic.longitude_deg), 0.3);  // 23 years of precession
}

TEST(OutputFrame, CoordinateFailuresBecomeEvaluationErrors) {
    const OutputFrame kernel_axes{OutputFrame::J2000Equatorial{}};
    const auto message_for = [&](const CartesianState& state) {
        const auto position = position_from_state(state, kernel_axes);
        EXPECT_FALSE(position);
        EXPECT_EQ(position.error().kind(), EphemerisError::Kind::Evaluation);
        return position.error().message();
    };
    EXPECT_EQ(message_for({{0, 0, 0}, {1, 0, 0}}), "spherical position is undefined at origin");
    EXPECT_EQ(message_for({{0, 0, 5}, {1, 0, 0}}), "spherical longitude is undefined on the z axis");
    EXPECT_EQ(message_for({{1, 0, 0}, {INFINITY, 0, 0}}), "Cartesian state must be finite");
    const OutputFrame ecliptic{OutputFrame::J2000Ecliptic{}};
    EXPECT_EQ(position_from_state({{NAN, 0, 0}, {}}, ecliptic).error().message(), "Cartesian state must be finite");
}

}  // namespace
}  // namespace orbyx
