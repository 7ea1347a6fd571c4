// The engine keeps the last answer of its per-instant steps: it must answer only the
// very input it was computed for, and a replaced time kernel must leave none behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.hpp"

namespace orbyx {
namespace {

using test::DE430_MIDDLE;

// eop_2015's days with DUT1 shifted by `dut1_shift_s`.
EarthOrientationTable shifted_eop(const test::ScratchDir& scratch, double dut1_shift_s) {
    std::string text;
    for (int day = 0; day <= 30; ++day) {
        text += "2015 2 18 0 " + std::to_string(57070 + day) + ".00 0.02 0.33 " +
                std::to_string(-0.45 + dut1_shift_s) + "\n";
    }
    const std::string path =
        scratch.write("shifted" + std::to_string(dut1_shift_s), std::vector<std::uint8_t>(text.begin(), text.end()));
    return EarthOrientationTable::open(path, test::ENGINE_DIGEST).value();
}

// Everything a UT1 instant's topocentric request remembers, as one engine answers it.
std::vector<double> ut1_answers(SpkEphemeris& engine) {
    const Instant instant{DE430_MIDDLE, TimeScale::Ut1};
    const GeodeticObserver site{10.0, 50.0, 100.0};
    const auto epochs = engine.earth_rotation_epochs(instant);
    const auto tdb = engine.tdb_seconds(instant);
    const auto state = engine.observer_gcrs_state(site, instant);
    const auto moon = engine.position(Body::Moon, instant, test::topocentric(test::apparent(OriginKind::Topocentric), site));
    EXPECT_TRUE(epochs && tdb && state && moon);
    return {epochs->ut1_julian_day, epochs->tt_julian_day, *tdb,
            state->position[0],     moon->longitude_deg,   moon->latitude_deg};
}

TEST(EpochMemo, ReplacingTheEopTableForgetsItsConversions) {
    test::ScratchDir scratch;
    SpkEphemeris engine = SpkEphemeris::with_time_kernels(test::de430(), test::leap_seconds(), shifted_eop(scratch, 0));
    const std::vector<double> before = ut1_answers(engine);
    EXPECT_EQ(ut1_answers(engine), before);  // remembered: the same bits

    engine = SpkEphemeris::with_eop(std::move(engine), shifted_eop(scratch, 0.25));
    SpkEphemeris fresh = SpkEphemeris::with_time_kernels(test::de430(), test::leap_seconds(), shifted_eop(scratch, 0.25));
    const std::vector<double> after = ut1_answers(engine);
    EXPECT_EQ(after, ut1_answers(fresh));
    for (std::size_t i = 1; i < after.size(); ++i) EXPECT_NE(after[i], before[i]) << i;

    engine = SpkEphemeris::with_time_kernels(std::move(engine), test::leap_seconds(), shifted_eop(scratch, 0));
    EXPECT_EQ(ut1_answers(engine), before);
}

// Requests at one instant that differ in one input each, asked of one engine in a
// row, against engines that answer each request alone.
TEST(EpochMemo, RequestsAtOneInstantDifferInEveryInput) {
    test::ScratchDir scratch;
    const auto engine_with_time_kernels = [&] {
        return SpkEphemeris::with_time_kernels(test::de430(), test::leap_seconds(), test::eop_2015(scratch));
    };
    PositionOptions true_equator = test::apparent(OriginKind::Geocentric, CoordinateSystem::Equatorial);
    PositionOptions mean_ecliptic{{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    mean_ecliptic.corrections.precession = true;
    PositionOptions light_time_only = test::geometric(OriginKind::Geocentric);
    light_time_only.corrections.light_time = true;
    const PositionOptions requests[] = {
        test::apparent(OriginKind::Geocentric),
        true_equator,
        mean_ecliptic,
        light_time_only,
        test::geometric(OriginKind::Geocentric),
        test::geometric(OriginKind::Heliocentric),
        test::topocentric(test::apparent(OriginKind::Topocentric), {10.0, 50.0, 0.0}),
        test::topocentric(test::apparent(OriginKind::Topocentric), {10.0, 50.0, 500.0}),
        test::topocentric(test::apparent(OriginKind::Topocentric), {10.0, -50.0, 500.0}),
    };
    SpkEphemeris engine = engine_with_time_kernels();
    for (const Instant instant : {Instant{DE430_MIDDLE, TimeScale::Tt}, Instant{DE430_MIDDLE, TimeScale::Tdb}}) {
        for (const Body body : {Body::Moon, Body::Venus}) {
            for (std::size_t i = 0; i < std::size(requests); ++i) {
                SpkEphemeris alone = engine_with_time_kernels();
                const auto expected = alone.position(body, instant, requests[i]);
                const auto answered = engine.position(body, instant, requests[i]);
                ASSERT_TRUE(expected && answered) << i << " " << test::error_text(expected);
                EXPECT_EQ(answered->longitude_deg, expected->longitude_deg) << i;
                EXPECT_EQ(answered->latitude_deg, expected->latitude_deg) << i;
                EXPECT_EQ(answered->distance_au, expected->distance_au) << i;
                EXPECT_EQ(answered->longitude_speed_deg_per_day, expected->longitude_speed_deg_per_day) << i;
            }
        }
    }
}

}  // namespace
}  // namespace orbyx
