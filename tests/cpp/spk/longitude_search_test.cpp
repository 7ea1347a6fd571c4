#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::de430;
using test::DE430_END;
using test::DE430_START;
using test::error_text;
using test::tdb;

constexpr double SECOND = 1.0 / 86400.0;
// The Sun reaches 345 degrees of apparent longitude inside the DE430 excerpt.
constexpr double SUN_TARGET_DEG = 345.0;
// Full Moon of 2015-03-05 18:05 UTC as published to the minute, in TT (UTC + 67.184 s).
constexpr double FULL_MOON_TT = 2457087.2534722 + 67.184 * SECOND;

Instant tt(double julian_day) { return {julian_day, TimeScale::Tt}; }

double sun_longitude(SpkEphemeris& engine, const Instant& instant) {
    return engine.position(Body::Sun, instant, test::apparent(OriginKind::Geocentric))->longitude_deg;
}

double elongation(SpkEphemeris& engine, const Instant& instant) {
    const auto options = test::apparent(OriginKind::Geocentric);
    const double moon = engine.position(Body::Moon, instant, options)->longitude_deg;
    return std::fmod(moon - engine.position(Body::Sun, instant, options)->longitude_deg + 360.0, 360.0);
}

TEST(NextSunLongitude, FindsTheSunAtTheTarget) {
    SpkEphemeris engine = de430();
    const auto found = engine.next_sun_longitude(tt(DE430_START + 0.5), SUN_TARGET_DEG);
    ASSERT_TRUE(found) << found.error().message();
    EXPECT_EQ(found->time_scale, TimeScale::Tt);
    EXPECT_GT(found->julian_day, DE430_START + 0.5);
    EXPECT_LT(found->julian_day, DE430_END);
    EXPECT_NEAR(sun_longitude(engine, *found), SUN_TARGET_DEG, 1e-9);
}

TEST(NextSunMoonElongation, FindsTheFullMoon) {
    SpkEphemeris engine = de430();
    const auto full = engine.next_sun_moon_elongation(tt(DE430_START + 0.5), 180.0);
    ASSERT_TRUE(full) << full.error().message();
    EXPECT_EQ(full->time_scale, TimeScale::Tt);
    EXPECT_NEAR(full->julian_day, FULL_MOON_TT, 60.0 * SECOND);
    // A Julian day near 2457087 resolves 40 us, in which the Moon moves 6e-9 degrees.
    EXPECT_NEAR(elongation(engine, *full), 180.0, 1e-8);
}

// An event within a second of the query is the query's own: the search moves on one
// period (a year, a synodic month), which here leaves the excerpt.
TEST(LongitudeSearch, AnEventAtTheQueryIsNotTheNextOne) {
    SpkEphemeris engine = de430();
    const Instant sun_at_target = *engine.next_sun_longitude(tt(DE430_START), SUN_TARGET_DEG);
    const Instant full_moon = *engine.next_sun_moon_elongation(tt(DE430_START + 0.5), 180.0);

    const auto two_seconds_before = engine.next_sun_longitude(tt(sun_at_target.julian_day - 2 * SECOND), SUN_TARGET_DEG);
    ASSERT_TRUE(two_seconds_before) << two_seconds_before.error().message();
    EXPECT_NEAR(two_seconds_before->julian_day, sun_at_target.julian_day, 1e-9);
    const auto moon_two_seconds_before = engine.next_sun_moon_elongation(tt(full_moon.julian_day - 2 * SECOND), 180.0);
    ASSERT_TRUE(moon_two_seconds_before) << moon_two_seconds_before.error().message();
    EXPECT_NEAR(moon_two_seconds_before->julian_day, full_moon.julian_day, 1e-9);

    // Exactly at the event, and half a second before it (Newton lands inside the margin).
    for (const double offset : {0.0, -0.5 * SECOND}) {
        const auto sun = engine.next_sun_longitude(tt(sun_at_target.julian_day + offset), SUN_TARGET_DEG);
        ASSERT_FALSE(sun) << "found " << sun->julian_day;
        EXPECT_EQ(sun.error().kind(), EphemerisError::Kind::OutOfRange) << error_text(sun);
        const auto moon = engine.next_sun_moon_elongation(tt(full_moon.julian_day + offset), 180.0);
        ASSERT_FALSE(moon) << "found " << moon->julian_day;
        EXPECT_EQ(moon.error().kind(), EphemerisError::Kind::OutOfRange) << error_text(moon);
    }
}

TEST(LongitudeSearch, SearchesInTheQueryScaleAndAnswersInTt) {
    SpkEphemeris engine = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    const double reference = engine.next_sun_moon_elongation(tt(DE430_START + 1.0), 180.0)->julian_day;
    // A UTC query: the answer is converted, not the UTC day relabelled.
    const auto from_utc = engine.next_sun_moon_elongation({DE430_START + 1.0, TimeScale::Utc}, 180.0);
    ASSERT_TRUE(from_utc) << from_utc.error().message();
    EXPECT_EQ(from_utc->time_scale, TimeScale::Tt);
    EXPECT_NEAR(from_utc->julian_day, reference, 2e-9);
    const auto from_tdb = engine.next_sun_longitude(tdb(DE430_START + 1.0), SUN_TARGET_DEG);
    ASSERT_TRUE(from_tdb) << from_tdb.error().message();
    EXPECT_EQ(from_tdb->time_scale, TimeScale::Tt);
    EXPECT_NEAR(from_tdb->julian_day, engine.next_sun_longitude(tt(DE430_START + 1.0), SUN_TARGET_DEG)->julian_day,
                2e-9);

    // Without a leap-second kernel a TDB day stands in for TT, within TDB - TT.
    SpkEphemeris bare = de430();
    const auto bare_tdb = bare.next_sun_moon_elongation(tdb(DE430_START + 1.0), 180.0);
    EXPECT_EQ(bare_tdb->time_scale, TimeScale::Tt);
    EXPECT_NEAR(bare_tdb->julian_day, reference, 1.7e-3 * SECOND);
}

TEST(LongitudeSearch, PassesOnThePositionErrors) {
    SpkEphemeris engine = de430();
    const auto utc = engine.next_sun_longitude({DE430_START + 1.0, TimeScale::Utc}, SUN_TARGET_DEG);
    EXPECT_EQ(utc.error().kind(), EphemerisError::Kind::TimeConversion);
    EXPECT_EQ(utc.error().message(), "conversion from Utc to TDB is not implemented");
    EXPECT_EQ(error_text(engine.next_sun_moon_elongation(tt(NAN), 0.0)), "Julian day must be finite");
    EXPECT_EQ(engine.next_sun_moon_elongation(tdb(DE430_START - 1.0), 0.0).error().kind(),
              EphemerisError::Kind::OutOfRange);
    // The March equinox and the new Moon of 2015-03-20 lie past the excerpt's end.
    EXPECT_EQ(engine.next_sun_longitude(tdb(DE430_START + 0.5), 0.0).error().kind(), EphemerisError::Kind::OutOfRange);
    EXPECT_EQ(engine.next_sun_moon_elongation(tdb(DE430_START + 0.5), 0.0).error().kind(),
              EphemerisError::Kind::OutOfRange);
}

TEST(LongitudeSearch, RefusesAStandingAngle) {
    // Sun, Earth and Moon fixed in space: no longitude moves.
    const test::ScratchDir scratch;
    const double end = 10 * SECONDS_PER_DAY;
    std::vector<test::SegmentData> segments{
        test::segment_data(10, 0, 0, end, test::constant_type2_words(0, end, 1.4e8, 5e7, 0)),
        test::segment_data(399, 0, 0, end, test::constant_type2_words(0, end, 0, 0, 0)),
        test::segment_data(301, 0, 0, end, test::constant_type2_words(0, end, -3e5, 2e5, 1e4)),
    };
    test::DafImage image = test::spk_image(segments);
    auto engine = SpkEphemeris::open(scratch.write("still.bsp", image.bytes()), test::ENGINE_DIGEST);
    ASSERT_TRUE(engine) << engine.error().message();
    const std::string too_slow = "longitude speed is too small to search for the event";
    const auto sun = engine->next_sun_longitude(tdb(J2000_JULIAN_DAY + 1.0), 90.0);
    EXPECT_EQ(sun.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(sun.error().message(), too_slow);
    EXPECT_EQ(error_text(engine->next_sun_moon_elongation(tdb(J2000_JULIAN_DAY + 1.0), 180.0)), too_slow);
}

}  // namespace
}  // namespace orbyx
