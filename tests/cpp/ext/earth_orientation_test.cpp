#include "ext/time/earth_orientation.hpp"

#include <gtest/gtest.h>

#include <string>

#include "spk/spk_ephemeris.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

const std::string DIGEST(64, 'a');
constexpr double SECOND = 1.0 / 86400.0;

// Three days of 2023, with TAI - UTC = 37 s: TT - UT1 = 69.184 s less UT1 - UTC.
SpkEphemeris engine_with_three_table_days(test::ScratchDir& scratch) {
    const std::string table =
        "# MJD x y UT1-UTC\n"
        "2023 2 25 0 60000.00 0.1 0.3 -0.1\n"
        "2023 2 26 0 60001.00 0.3 0.5 -0.2\n"
        "2023 2 27 0 60002.00 0.5 0.7 -0.3\n";
    const std::string path = scratch.write("three.c04", {table.begin(), table.end()});
    return SpkEphemeris::with_time_kernels(
        SpkEphemeris::open(test::test_data("de430-2015-03-02.bsp"), DIGEST).value(),
        LeapSecondKernel::open(test::test_data("leapseconds.tls"), DIGEST).value(),
        EarthOrientationTable::open(path, DIGEST).value());
}

TEST(EarthOrientation, TablesWithinTheirDaysTheModelBeyondWithoutPolarMotion) {
    test::ScratchDir scratch;
    const SpkEphemeris engine = engine_with_three_table_days(scratch);

    const auto inside = earth_orientation(engine, {2460001.5 + 0.5, TimeScale::Utc});
    ASSERT_TRUE(inside) << inside.error().message();
    EXPECT_EQ(inside->source, TimeSource::Tables);
    EXPECT_NEAR(inside->xp_arcsec, 0.4, 1e-9);
    EXPECT_NEAR(inside->yp_arcsec, 0.6, 1e-9);
    EXPECT_NEAR(inside->ut1_julian_day, 2460002.0 - 0.25 * SECOND, 1e-9);

    // A day after the table ends ΔT carries on from its last value, 69.484 s.
    const auto after = earth_orientation(engine, {2460003.5, TimeScale::Utc});
    ASSERT_TRUE(after) << after.error().message();
    EXPECT_EQ(after->source, TimeSource::Model);
    EXPECT_EQ(after->xp_arcsec, 0.0);
    EXPECT_EQ(after->yp_arcsec, 0.0);
    EXPECT_DOUBLE_EQ(after->tt_julian_day, 2460003.5 + 69.184 * SECOND);
    EXPECT_NEAR((after->tt_julian_day - after->ut1_julian_day) / SECOND, 69.484, 0.01);

    // Before 1972 a civil day is a UT1 day.
    const auto civil = earth_orientation(engine, {2436934.5, TimeScale::Utc});
    ASSERT_TRUE(civil) << civil.error().message();
    EXPECT_EQ(civil->source, TimeSource::Model);
    EXPECT_EQ(civil->ut1_julian_day, 2436934.5);
}

}  // namespace
}  // namespace orbyx
