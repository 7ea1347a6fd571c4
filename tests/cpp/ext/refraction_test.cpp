#include <gtest/gtest.h>

#include <cmath>

#include "ext/sky/refraction.hpp"

namespace orbyx {
namespace {

const Atmosphere STANDARD{1010.0, 10.0};

// Bennett's own formula at an observed altitude, in degrees.
double bennett_deg(double observed_deg, const Atmosphere& air) {
    return 0.016667 / std::tan((observed_deg + 7.31 / (observed_deg + 4.4)) * M_PI / 180.0) * 0.28 *
           air.pressure_mbar / (air.temperature_c + 273.0);
}

TEST(Refraction, SolvesBennettsFormulaForTheObservedAltitude) {
    for (double true_deg : {-1.0, -0.5, 0.0, 0.3, 2.0, 15.0, 45.0, 89.9}) {
        for (const Atmosphere& air : {STANDARD, Atmosphere{620.0, -15.0}, Atmosphere{1040.0, 35.0}}) {
            const double observed = observed_altitude_deg(true_deg, air);
            EXPECT_NEAR(observed - true_deg, bennett_deg(observed, air), 1e-12) << true_deg;
        }
    }
    // About 35' at the horizon and 1' at 45 degrees, as Meeus tabulates.
    EXPECT_NEAR((observed_altitude_deg(0.0, STANDARD)) * 60.0, 28.9, 0.1);
    EXPECT_NEAR((observed_altitude_deg(45.0, STANDARD) - 45.0) * 60.0, 0.99, 0.01);
}

TEST(Refraction, LeavesAltitudesOutsideItsRangeAndAirlessSkiesAlone) {
    for (double true_deg : {-90.0, -1.0000001, 89.9000001, 90.0}) {
        EXPECT_EQ(observed_altitude_deg(true_deg, STANDARD), true_deg);
    }
    EXPECT_EQ(observed_altitude_deg(10.0, Atmosphere{0.0, 10.0}), 10.0);
    EXPECT_TRUE(std::isnan(observed_altitude_deg(std::nan(""), STANDARD)));
}

TEST(Refraction, RefusesUnphysicalAir) {
    EXPECT_TRUE(checked_atmosphere(0.0, -273.0));
    EXPECT_EQ(checked_atmosphere(-1.0, 10.0).error().message(),
              "pressure_mbar must be finite and at least 0, got -1");
    EXPECT_EQ(checked_atmosphere(1010.0, -273.15).error().message(),
              "temperature_c must be finite and above absolute zero (-273.15), got -273.15");
    EXPECT_FALSE(checked_atmosphere(std::nan(""), 10.0));
    EXPECT_FALSE(checked_atmosphere(1010.0, INFINITY));
}

}  // namespace
}  // namespace orbyx
