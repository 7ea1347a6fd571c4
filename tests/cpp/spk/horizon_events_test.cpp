#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::error_text;

const std::string NEEDS_LEAP_SECONDS =
    "topocentric origins require a leap-second kernel; attach one with SpkEphemeris::with_leap_second_kernel";
const std::string NEEDS_EOP =
    "topocentric origins require an Earth orientation table (DUT1); attach one with SpkEphemeris::with_eop";

constexpr GeodeticObserver PARIS{2.35, 48.85, 35.0};
constexpr double ONE_SECOND_DAYS = 1.0 / 86400.0;
// 2015-03-03 00:00 UT1, inside the kernel excerpt and the EOP table.
constexpr double MARCH_3 = 2457084.5;

Instant ut1(double julian_day) { return {julian_day, TimeScale::Ut1}; }

// Hour angle and altitude of the body from the engine's own position and sidereal time.
struct HorizonPlace {
    double hour_angle_rad;
    double altitude_deg;
};

HorizonPlace horizon_place(SpkEphemeris& engine, Body body, const GeodeticObserver& site, double ut1_julian_day) {
    const auto options = test::topocentric(test::apparent(OriginKind::Geocentric, CoordinateSystem::Equatorial), site);
    const Position place = *engine.position(body, ut1(ut1_julian_day), options);
    const EarthRotationEpochs epochs = *engine.earth_rotation_epochs(ut1(ut1_julian_day));
    const double sidereal_time = local_apparent_sidereal_time_iau2006(
        site.longitude_east_deg * DEGREES_TO_RADIANS, epochs.ut1_julian_day, epochs.tt_julian_day);
    const double hour_angle = std::remainder(sidereal_time - place.longitude_deg * DEGREES_TO_RADIANS, 2 * std::numbers::pi);
    const double latitude = site.latitude_deg * DEGREES_TO_RADIANS;
    const double declination = place.latitude_deg * DEGREES_TO_RADIANS;
    const double sin_altitude = std::sin(latitude) * std::sin(declination) +
                                std::cos(latitude) * std::cos(declination) * std::cos(hour_angle);
    return {hour_angle, std::asin(sin_altitude) * RADIANS_TO_DEGREES};
}

class HorizonEvents : public ::testing::Test {
protected:
    test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
};

TEST(HorizonEventChecks, RiseSetTransitChecksBodyAltitudeObserverThenTime) {
    SpkEphemeris bare = test::de430();
    const GeodeticObserver off_earth{2.35, 91.0, 0.0};
    const auto mars = bare.rise_set_transit(Body::Mars, off_earth, ut1(NAN), NAN);
    EXPECT_EQ(mars.error().kind(), EphemerisError::Kind::UnsupportedBody);
    EXPECT_EQ(error_text(mars), "unsupported body: Mars");
    EXPECT_EQ(error_text(bare.rise_set_transit(Body::Sun, off_earth, ut1(NAN), NAN)),
              "horizon altitude must be finite");
    const auto observer = bare.rise_set_transit(Body::Moon, off_earth, ut1(NAN), -0.5);
    EXPECT_EQ(observer.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(error_text(observer), "geodetic latitude must be finite and within [-90, 90] degrees");
    EXPECT_EQ(error_text(bare.rise_set_transit(Body::Moon, {NAN, 0, 0}, ut1(MARCH_3), -0.5)),
              "Cartesian state must be finite");
    EXPECT_EQ(error_text(bare.rise_set_transit(Body::Sun, PARIS, ut1(MARCH_3), -0.5)), NEEDS_LEAP_SECONDS);

    // A UT1 instant still needs the table: the search evaluates sidereal time.
    SpkEphemeris lsk_only = SpkEphemeris::with_leap_second_kernel(test::de430(), test::leap_seconds());
    const auto no_eop = lsk_only.rise_set_transit(Body::Sun, PARIS, ut1(MARCH_3), -0.5);
    EXPECT_EQ(no_eop.error().kind(), EphemerisError::Kind::TimeConversion);
    EXPECT_EQ(error_text(no_eop), NEEDS_EOP);
    EXPECT_EQ(error_text(lsk_only.next_horizon_event(Body::Sun, PARIS, ut1(MARCH_3), HorizonEventKind::Set, -0.5)),
              NEEDS_EOP);
}

TEST(HorizonEventChecks, NextEventConvertsTheQueryInstantFirst) {
    SpkEphemeris bare = test::de430();
    EXPECT_EQ(error_text(bare.next_horizon_event(Body::Mars, PARIS, ut1(MARCH_3), HorizonEventKind::Rise, NAN)),
              NEEDS_LEAP_SECONDS);

    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    // The first day's failure is reported as it is.
    EXPECT_EQ(error_text(engine.next_horizon_event(Body::Mars, PARIS, ut1(MARCH_3), HorizonEventKind::Rise, NAN)),
              "unsupported body: Mars");
    EXPECT_EQ(error_text(engine.next_horizon_event(Body::Sun, PARIS, ut1(MARCH_3), HorizonEventKind::Rise, NAN)),
              "horizon altitude must be finite");
    const auto outside = engine.next_horizon_event(Body::Sun, PARIS, ut1(test::DE430_END + 0.1), HorizonEventKind::Set, -0.5);
    EXPECT_EQ(outside.error().kind(), EphemerisError::Kind::OutOfRange);
}

TEST_F(HorizonEvents, SunRisesBeforeAndSetsAfterItsTransitAtTheRequestedAltitude) {
    for (const Body body : {Body::Sun, Body::Moon}) {
        SCOPED_TRACE(std::string(debug_name(body)));
        const auto events = engine.rise_set_transit(body, PARIS, ut1(MARCH_3 + 0.4), SUN_UPPER_LIMB_ALTITUDE_DEG);
        ASSERT_TRUE(events) << error_text(events);
        ASSERT_TRUE(events->rise_ut1_julian_day && events->set_ut1_julian_day);
        const double rise = *events->rise_ut1_julian_day, transit = events->transit_ut1_julian_day,
                     set = *events->set_ut1_julian_day;
        EXPECT_LT(rise, transit);
        EXPECT_LT(transit, set);
        EXPECT_LT(std::abs(transit - (MARCH_3 + 0.4)), 0.55);
        // Paris in early March: about 11 hours of daylight; the Moon's days differ
        // because it moves east and changes declination quickly.
        if (body == Body::Sun) {
            EXPECT_NEAR((set - rise) * 24.0, 11.1, 0.2);
            EXPECT_NEAR(transit, 2457085.0, 0.01);  // noon at Paris is about 12:03 UT
        }

        // 1e-8 rad of hour angle is about 0.14 ms of rotation, 1e-6 degree of altitude a few ms.
        EXPECT_NEAR(horizon_place(engine, body, PARIS, transit).hour_angle_rad, 0.0, 1e-8);
        const HorizonPlace at_rise = horizon_place(engine, body, PARIS, rise);
        const HorizonPlace at_set = horizon_place(engine, body, PARIS, set);
        EXPECT_LT(at_rise.hour_angle_rad, 0.0);
        EXPECT_GT(at_set.hour_angle_rad, 0.0);
        EXPECT_NEAR(at_rise.altitude_deg, SUN_UPPER_LIMB_ALTITUDE_DEG, 1e-6);
        EXPECT_NEAR(at_set.altitude_deg, SUN_UPPER_LIMB_ALTITUDE_DEG, 1e-6);
    }
}

TEST_F(HorizonEvents, UpperLimbRisesEarlierAndSetsLaterThanRefractionAlone) {
    const Instant around = ut1(MARCH_3 + 0.5);
    const auto limb = engine.rise_set_transit(Body::Sun, PARIS, around, SUN_UPPER_LIMB_ALTITUDE_DEG);
    const auto centre = engine.rise_set_transit(Body::Sun, PARIS, around, MEAN_REFRACTION_ALTITUDE_DEG);
    ASSERT_TRUE(limb && centre);
    EXPECT_EQ(limb->transit_ut1_julian_day, centre->transit_ut1_julian_day);
    // 16' of altitude at Paris in March is a little over a minute and a half.
    const double earlier_s = (*centre->rise_ut1_julian_day - *limb->rise_ut1_julian_day) * 86400.0;
    const double later_s = (*limb->set_ut1_julian_day - *centre->set_ut1_julian_day) * 86400.0;
    EXPECT_GT(earlier_s, 80.0);
    EXPECT_LT(earlier_s, 120.0);
    EXPECT_GT(later_s, 80.0);
    EXPECT_LT(later_s, 120.0);
}

TEST_F(HorizonEvents, TransitNearestToTheInstantEitherSideOfMidnight) {
    const double transit = engine.rise_set_transit(Body::Sun, PARIS, ut1(MARCH_3 + 0.5), -0.5)->transit_ut1_julian_day;
    for (const double offset : {-0.45, -0.2, 0.2, 0.45}) {
        SCOPED_TRACE(offset);
        const auto events = engine.rise_set_transit(Body::Sun, PARIS, ut1(transit + offset), -0.5);
        EXPECT_NEAR(events->transit_ut1_julian_day, transit, 1e-8);
    }
    // Past local midnight the next day's transit is nearer; the rise and set follow it.
    const auto next_day = engine.rise_set_transit(Body::Sun, PARIS, ut1(transit + 0.55), -0.5);
    EXPECT_NEAR(next_day->transit_ut1_julian_day - transit, 1.0, 1e-3);
    EXPECT_LT(*next_day->rise_ut1_julian_day, next_day->transit_ut1_julian_day);
    EXPECT_GT(*next_day->rise_ut1_julian_day, transit + 0.55);
    const auto previous_day = engine.rise_set_transit(Body::Sun, PARIS, ut1(transit - 0.55), -0.5);
    EXPECT_NEAR(transit - previous_day->transit_ut1_julian_day, 1.0, 1e-3);
}

TEST_F(HorizonEvents, NextEventIsStrictlyMoreThanOneSecondAfterTheQuery) {
    const double transit = engine.rise_set_transit(Body::Sun, PARIS, ut1(MARCH_3 + 0.5), -0.5)->transit_ut1_julian_day;
    const auto next_transit = [&](double after) {
        const auto event = engine.next_horizon_event(Body::Sun, PARIS, ut1(after), HorizonEventKind::Transit, -0.5);
        EXPECT_EQ(event->kind, HorizonEventKind::Transit);
        return event->ut1_julian_day;
    };
    EXPECT_NEAR(next_transit(transit - 2 * ONE_SECOND_DAYS), transit, 1e-8);
    EXPECT_NEAR(next_transit(transit - 0.5 * ONE_SECOND_DAYS) - transit, 1.0, 1e-3);
    EXPECT_NEAR(next_transit(transit) - transit, 1.0, 1e-3);

    // Between this morning's rise and this evening's set: the set is today's, the rise tomorrow's.
    const auto today = engine.rise_set_transit(Body::Sun, PARIS, ut1(transit), -0.5);
    const auto set = engine.next_horizon_event(Body::Sun, PARIS, ut1(transit), HorizonEventKind::Set, -0.5);
    EXPECT_EQ(set->kind, HorizonEventKind::Set);
    EXPECT_NEAR(set->ut1_julian_day, *today->set_ut1_julian_day, 1e-8);
    const auto rise = engine.next_horizon_event(Body::Sun, PARIS, ut1(transit), HorizonEventKind::Rise, -0.5);
    EXPECT_EQ(rise->kind, HorizonEventKind::Rise);
    EXPECT_NEAR(rise->ut1_julian_day - *today->rise_ut1_julian_day, 1.0, 2e-3);

    // Any time scale is accepted for the query.
    const auto from_tt = engine.next_horizon_event(Body::Sun, PARIS, {transit, TimeScale::Tt}, HorizonEventKind::Set, -0.5);
    EXPECT_NEAR(from_tt->ut1_julian_day, set->ut1_julian_day, 1e-8);
}

TEST_F(HorizonEvents, PolarDayAndNightHaveATransitButNoRiseOrSet) {
    // Early March: the Sun is about 6 degrees south, circumpolar at 88 S, never up at 88 N.
    for (const double latitude : {-88.0, 88.0}) {
        SCOPED_TRACE(latitude);
        const GeodeticObserver polar{20.0, latitude, 0.0};
        const auto events = engine.rise_set_transit(Body::Sun, polar, ut1(MARCH_3 + 0.4), SUN_UPPER_LIMB_ALTITUDE_DEG);
        ASSERT_TRUE(events) << error_text(events);
        EXPECT_FALSE(events->rise_ut1_julian_day);
        EXPECT_FALSE(events->set_ut1_julian_day);
        EXPECT_NEAR(horizon_place(engine, Body::Sun, polar, events->transit_ut1_julian_day).hour_angle_rad, 0.0, 1e-8);

        const auto rise = engine.next_horizon_event(Body::Sun, polar, ut1(MARCH_3), HorizonEventKind::Rise, -0.5);
        EXPECT_EQ(rise.error().kind(), EphemerisError::Kind::InvalidRequest);
        EXPECT_EQ(error_text(rise), "no Rise of Sun within 3 days after the query instant");
        EXPECT_TRUE(engine.next_horizon_event(Body::Sun, polar, ut1(MARCH_3), HorizonEventKind::Transit, -0.5));
    }
    // The altitude decides as well: the Sun never climbs 40 degrees over Paris in March.
    const auto high = engine.rise_set_transit(Body::Sun, PARIS, ut1(MARCH_3 + 0.5), 40.0);
    EXPECT_FALSE(high->rise_ut1_julian_day);
    EXPECT_TRUE(high->transit_ut1_julian_day > MARCH_3);
}

TEST_F(HorizonEvents, LaterDaysFailingMeansNoEventFound) {
    // The excerpt ends at TDB 2457088.5 (7 March 0h): on the evening of the 6th the
    // day's rise is past and the next one cannot be searched.
    const double evening = 2457088.25;
    const auto rise = engine.next_horizon_event(Body::Sun, PARIS, ut1(evening), HorizonEventKind::Rise, -0.5);
    EXPECT_EQ(rise.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(error_text(rise), "no Rise of Sun within 3 days after the query instant");
}

}  // namespace
}  // namespace orbyx
