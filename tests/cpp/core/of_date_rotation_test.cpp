#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/constants.hpp"
#include "core/of_date_rotation.hpp"

namespace orbyx {
namespace {

constexpr double MILLIARCSECOND = ARCSECONDS_TO_RADIANS / 1000.0;

CartesianState unit_state(int axis) {
    CartesianState state{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
    state.position[axis] = 1.0;
    return state;
}

// At J2000 without nutation the chain reduces to the ICRS frame bias:
// d_alpha0 = -14.6 mas, xi0 = -16.617 mas, eta0 = -6.8192 mas.
TEST(OfDateRotation, MeanEquatorAtJ2000IsTheFrameBias) {
    const OfDateRotation bias(false, true, J2000_JULIAN_DAY);
    const auto x_axis = bias.apply(unit_state(0));
    const auto z_axis = bias.apply(unit_state(2));
    ASSERT_TRUE(x_axis.ok() && z_axis.ok());
    const double tolerance = 0.001 * MILLIARCSECOND;
    EXPECT_NEAR(x_axis->position[0], 1.0, 1e-14);
    EXPECT_NEAR(x_axis->position[1], 14.6 * MILLIARCSECOND, tolerance);
    EXPECT_NEAR(x_axis->position[2], -16.617 * MILLIARCSECOND, tolerance);
    EXPECT_NEAR(z_axis->position[0], 16.617 * MILLIARCSECOND, tolerance);
    EXPECT_NEAR(z_axis->position[1], 6.8192 * MILLIARCSECOND, tolerance);
    EXPECT_NEAR(z_axis->position[2], 1.0, 1e-14);
}

TEST(OfDateRotation, InverseUndoesApplyForEveryFlagCombination) {
    const CartesianState state{{1.5e8, -7.2e7, 3.1e7}, {12.5, 28.1, -4.4}};
    for (bool nutation : {false, true}) {
        for (bool equatorial : {false, true}) {
            const OfDateRotation rotation(nutation, equatorial, 2469807.6);
            const auto there = rotation.apply(state);
            ASSERT_TRUE(there.ok());
            EXPECT_GT(std::fabs(there->position[0] - state.position[0]), 1e5);
            const auto back = rotation.apply_inverse(*there);
            ASSERT_TRUE(back.ok());
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(back->position[i], state.position[i], 1e-15 * 1.7e8);
                EXPECT_NEAR(back->velocity[i], state.velocity[i], 1e-15 * 31.0);
            }
        }
    }
}

TEST(OfDateRotation, GivenNutationBuildsTheSameRotation) {
    const double tt = 2460676.25;
    const CartesianState state{{0.3, -0.8, 0.5}, {1.0, 2.0, 3.0}};
    const auto direct = OfDateRotation(true, true, tt).apply(state);
    const auto given = OfDateRotation(nutation_iau2000b(tt), true, tt).apply(state);
    EXPECT_EQ(direct->position, given->position);
    EXPECT_EQ(direct->velocity, given->velocity);
}

TEST(OfDateRotation, NonFiniteComponentsFailBothWays) {
    const OfDateRotation rotation(true, false, J2000_JULIAN_DAY);
    const CartesianState bad_velocity{{1.0, 2.0, 3.0},
                                      {0.0, std::numeric_limits<double>::quiet_NaN(), 0.0}};
    EXPECT_EQ(rotation.apply(bad_velocity).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(rotation.apply_inverse(bad_velocity).error(), CoordinateError::NonFiniteState);
}

}  // namespace
}  // namespace orbyx
