#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::de430;
using test::DE430_END;
using test::DE430_MIDDLE;
using test::DE430_START;
using test::error_text;

const std::string NEEDS_LEAP_SECONDS =
    "topocentric origins require a leap-second kernel; attach one with SpkEphemeris::with_leap_second_kernel";
const std::string NEEDS_EOP_FOR_SITES =
    "topocentric origins require an Earth orientation table (DUT1); attach one with SpkEphemeris::with_eop";
const std::string NEEDS_EOP_FOR_UT1 =
    "UT1 requires an Earth orientation table (DUT1); attach one with SpkEphemeris::with_eop";

std::string file_text(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(EngineTdbSeconds, WithoutLeapSecondsOnlyTtAndTdb) {
    const SpkEphemeris engine = de430();
    EXPECT_EQ(*engine.tdb_seconds({DE430_MIDDLE, TimeScale::Tdb}), seconds_since_j2000(DE430_MIDDLE));
    EXPECT_EQ(error_text(engine.tdb_seconds({DE430_MIDDLE, TimeScale::Utc})),
              "conversion from Utc to TDB is not implemented");
    EXPECT_EQ(error_text(engine.tdb_seconds({DE430_MIDDLE, TimeScale::Ut1})),
              "conversion from Ut1 to TDB is not implemented");
    EXPECT_EQ(error_text(engine.tdb_seconds({NAN, TimeScale::Utc})), "Julian day must be finite");
    EXPECT_EQ(engine.tdb_seconds({INFINITY, TimeScale::Tdb}).error().kind(),
              EphemerisError::Kind::TimeConversion);

    // The built-in TDB - TT matches the leap-second kernel's to rounding.
    const SpkEphemeris with_lsk = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    const Instant tt{DE430_MIDDLE, TimeScale::Tt};
    const double built_in = *engine.tdb_seconds(tt);
    EXPECT_NEAR(built_in, *with_lsk.tdb_seconds(tt), 1e-6);
    EXPECT_GT(std::abs(built_in - seconds_since_j2000(DE430_MIDDLE)), 1e-4);
    EXPECT_LT(std::abs(built_in - seconds_since_j2000(DE430_MIDDLE)), 1.7e-3);
}

TEST(EngineTdbSeconds, WithTimeKernelsEveryScale) {
    const test::ScratchDir scratch;
    const SpkEphemeris lsk_only = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    EXPECT_EQ(error_text(lsk_only.tdb_seconds({DE430_MIDDLE, TimeScale::Ut1})), NEEDS_EOP_FOR_UT1);
    // In March 2015 TT - UTC was 35 + 32.184 s.
    const double utc = DE430_MIDDLE;
    EXPECT_NEAR(*lsk_only.tdb_seconds({utc, TimeScale::Utc}), seconds_since_j2000(utc) + 67.184, 2e-3);

    const SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const double ut1 = *engine.leap_second_kernel()->ut1_julian_day(TimeScale::Utc, *engine.earth_orientation_table(), utc);
    EXPECT_NEAR(*engine.tdb_seconds({ut1, TimeScale::Ut1}), *engine.tdb_seconds({utc, TimeScale::Utc}), 1e-5);
    EXPECT_EQ(error_text(engine.tdb_seconds({2441317.4, TimeScale::Utc})),
              "UTC Julian day 2441317.4 precedes the kernel's earliest leap-second entry (2441317.5); the offset "
              "is not extrapolated");
}

TEST(EngineTdbSeconds, OutOfRangeNamesTheRequestInItsOwnScale) {
    const SpkEphemeris engine = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    EXPECT_TRUE(engine.tdb_seconds({DE430_START, TimeScale::Tdb}));
    EXPECT_TRUE(engine.tdb_seconds({DE430_END, TimeScale::Tdb}));
    const auto after = engine.tdb_seconds({std::nextafter(DE430_END, 3e6), TimeScale::Tdb});
    EXPECT_EQ(after.error().kind(), EphemerisError::Kind::OutOfRange);
    // UTC 2457088.4995 is TDB 2457088.50028: past the end although the UTC day is not.
    EXPECT_EQ(error_text(engine.tdb_seconds({2457088.4995, TimeScale::Utc})),
              "Julian day 2457088.4995 is outside kernel range 2457080.5..2457088.5 Tdb");
    EXPECT_EQ(error_text(engine.tdb_seconds({2457080.25, TimeScale::Tt})),
              "Julian day 2457080.25 is outside kernel range 2457080.5..2457088.5 Tdb");

    // Finite days whose TDB seconds come out NaN: the seconds overflow, or the DELTET terms do.
    const std::string far_tt = "Julian day 1" + std::string(305, '0') + " is outside kernel range 2457080.5..2457088.5 Tdb";
    EXPECT_EQ(error_text(de430().tdb_seconds({1e305, TimeScale::Tt})), far_tt);
    EXPECT_EQ(error_text(engine.tdb_seconds({1e305, TimeScale::Tt})), far_tt);
    const test::ScratchDir scratch;
    std::string lsk = file_text(test::test_data("leapseconds.tls"));
    const std::string rate = "1.99096871D-7";
    lsk.replace(lsk.find(rate), rate.size(), "1D308");
    const std::string overflowing_path = scratch.write("overflowing.tls", std::vector<std::uint8_t>(lsk.begin(), lsk.end()));
    const SpkEphemeris overflowing = SpkEphemeris::with_leap_second_kernel(
        de430(), LeapSecondKernel::open(overflowing_path, test::ENGINE_DIGEST).value());
    EXPECT_EQ(error_text(overflowing.tdb_seconds({DE430_MIDDLE, TimeScale::Utc})),
              "Julian day 2457084.3 is outside kernel range 2457080.5..2457088.5 Tdb");
    EXPECT_EQ(error_text(overflowing.instant_as_tt({DE430_MIDDLE, TimeScale::Tdb})),
              "Julian day 2457084.3 is outside kernel range 2457080.5..2457088.5 Tdb");
}

// Coverage ends between whole seconds whose Julian days round outwards: a day at
// either end of the range must still find its segment.
TEST(EngineTdbSeconds, RangeEndsRoundedOutwardsStillEvaluate) {
    constexpr double START = 470000000.37, END = 470172800.74;
    ASSERT_LT(seconds_since_j2000(julian_day_from_seconds(START)), START);
    ASSERT_GT(seconds_since_j2000(julian_day_from_seconds(END)), END);
    std::vector<test::SegmentData> segments{
        test::segment_data(10, 0, START, END, test::constant_type2_words(START, END, 1e6, 2e6, 3e6))};
    test::DafImage image = test::spk_image(segments);
    const test::ScratchDir scratch;
    auto engine = SpkEphemeris::open(scratch.write("between-seconds.bsp", image.bytes()), test::ENGINE_DIGEST);
    ASSERT_TRUE(engine) << engine.error().message();
    const DateRange range = engine->supported_range();
    const std::vector<Instant> ends{test::tdb(range.start_julian_day), test::tdb(range.end_julian_day)};
    const auto options = test::geometric(OriginKind::Barycentric, CoordinateSystem::Equatorial);
    for (const Instant& end : ends) {
        EXPECT_EQ(error_text(engine->position(Body::Sun, end, options)), "ok") << end.julian_day;
    }
    const std::vector<Body> sun{Body::Sun};
    const auto batch = engine->positions(sun, ends, options);
    ASSERT_TRUE(batch) << batch.error().message();
    EXPECT_EQ(batch->size(), 2u);
}

TEST(EngineInstantAsTt, ConvertsWithOrWithoutLeapSeconds) {
    const SpkEphemeris bare = de430();
    EXPECT_EQ(*bare.instant_as_tt({DE430_MIDDLE, TimeScale::Tt}), DE430_MIDDLE);
    EXPECT_TRUE(std::isnan(*bare.instant_as_tt({NAN, TimeScale::Tt})));
    // Without a leap-second kernel TDB stands in for TT.
    EXPECT_NEAR(*bare.instant_as_tt({DE430_MIDDLE, TimeScale::Tdb}), DE430_MIDDLE, 1e-9);
    EXPECT_EQ(error_text(bare.instant_as_tt({DE430_MIDDLE, TimeScale::Utc})),
              "conversion from Utc to TDB is not implemented");
    EXPECT_EQ(error_text(bare.instant_as_tt({NAN, TimeScale::Tdb})), "Julian day must be finite");

    const SpkEphemeris with_lsk = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    EXPECT_EQ(*with_lsk.instant_as_tt({DE430_MIDDLE, TimeScale::Utc}), DE430_MIDDLE + 67.184 / 86400);
    EXPECT_EQ(error_text(with_lsk.instant_as_tt({DE430_MIDDLE, TimeScale::Ut1})), NEEDS_EOP_FOR_UT1);
}

TEST(EngineEarthRotation, NeedsBothTimeKernels) {
    const test::ScratchDir scratch;
    const Instant instant{DE430_MIDDLE, TimeScale::Tdb};
    EXPECT_EQ(error_text(de430().earth_rotation_epochs(instant)), NEEDS_LEAP_SECONDS);
    const SpkEphemeris eop_only = SpkEphemeris::with_eop(de430(), test::eop_2015(scratch));
    EXPECT_EQ(error_text(eop_only.earth_rotation_epochs(instant)), NEEDS_LEAP_SECONDS);
    const SpkEphemeris lsk_only = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    EXPECT_EQ(error_text(lsk_only.earth_rotation_epochs(instant)), NEEDS_EOP_FOR_SITES);

    const SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const EarthRotationEpochs epochs = *engine.earth_rotation_epochs({DE430_MIDDLE, TimeScale::Utc});
    EXPECT_EQ(epochs.tt_julian_day, DE430_MIDDLE + 67.184 / 86400);
    // DUT1 of the test table is about -0.46 s there.
    EXPECT_NEAR((epochs.ut1_julian_day - DE430_MIDDLE) * 86400, -0.4588, 1e-3);
    EXPECT_EQ(error_text(engine.earth_rotation_epochs({2457200.5, TimeScale::Utc})),
              "UTC Julian day 2457200.5 is outside EOP coverage [2457070.5, 2457100.5]");
}

TEST(EngineObserverState, PlacesTheSiteInTheGcrs) {
    const test::ScratchDir scratch;
    const SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const Instant instant{DE430_MIDDLE, TimeScale::Utc};
    const CartesianState site = *engine.observer_gcrs_state({0, 0, 0}, instant);
    const auto& [x, y, z] = site.position;
    EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 6378.137, 1e-9);
    const auto& [vx, vy, vz] = site.velocity;
    EXPECT_NEAR(std::sqrt(vx * vx + vy * vy + vz * vz), 6378.137 * EARTH_ROTATION_RATE_RAD_PER_S, 1e-9);

    const auto invalid = engine.observer_gcrs_state({0, 91, 0}, instant);
    EXPECT_EQ(invalid.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(invalid.error().message(), "geodetic latitude must be finite and within [-90, 90] degrees");
    const auto uncovered = engine.observer_gcrs_state({0, 0, 0}, {2457101, TimeScale::Utc});
    EXPECT_EQ(uncovered.error().kind(), EphemerisError::Kind::TimeConversion);
    EXPECT_EQ(uncovered.error().message(), "UTC Julian day 2457101 is outside EOP coverage [2457070.5, 2457100.5]");
}

}  // namespace
}  // namespace orbyx
