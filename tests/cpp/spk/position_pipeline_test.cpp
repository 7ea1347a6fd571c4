#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::apparent;
using test::de430;
using test::DE430_MIDDLE;
using test::error_text;
using test::geometric;
using test::tdb;
using test::topocentric;

constexpr double AU = ASTRONOMICAL_UNIT_KM;
const std::string IDENTICAL = "spherical coordinates are undefined when target and origin are identical";

// Angle between two positions given as longitude and latitude, in arcseconds.
double separation_arcsec(const Position& a, const Position& b) {
    const auto unit = [](const Position& p) {
        const double lon = p.longitude_deg * DEGREES_TO_RADIANS;
        const double lat = p.latitude_deg * DEGREES_TO_RADIANS;
        return std::array<double, 3>{std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
    };
    const auto u = unit(a);
    const auto v = unit(b);
    const double cx = u[1] * v[2] - u[2] * v[1], cy = u[2] * v[0] - u[0] * v[2], cz = u[0] * v[1] - u[1] * v[0];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), u[0] * v[0] + u[1] * v[1] + u[2] * v[2]) * 206264.806;
}

TEST(Position, MatchesTheDe430ExcerptAsSkyfieldReadsIt) {
    SpkEphemeris engine = de430();
    const Position moon = *engine.position(Body::Moon, tdb(DE430_MIDDLE), geometric(OriginKind::Geocentric));
    EXPECT_NEAR(moon.longitude_deg, 129.591166099, 2e-9);
    EXPECT_NEAR(moon.latitude_deg, -4.542972516, 2e-9);
    EXPECT_NEAR(moon.distance_au, 0.002702138867, 1e-12);
    const Position sun = *engine.position(Body::Sun, tdb(DE430_MIDDLE), geometric(OriginKind::Geocentric));
    EXPECT_NEAR(sun.longitude_deg, 341.671519729, 2e-9);
    EXPECT_NEAR(sun.distance_au, 0.991082779520, 1e-12);
    EXPECT_NEAR(sun.longitude_speed_deg_per_day, 1.0029, 1e-3);

    // Apparent places differ from skyfield's only by its fuller nutation model.
    const auto of_date = apparent(OriginKind::Geocentric, CoordinateSystem::Equatorial);
    const Position venus = *engine.position(Body::Venus, tdb(DE430_MIDDLE), of_date);
    EXPECT_NEAR(venus.longitude_deg, 11.490630968, 1e-6);
    EXPECT_NEAR(venus.latitude_deg, 4.251155554, 1e-6);
    EXPECT_NEAR(venus.distance_au, 1.375406337451, 1e-11);
}

TEST(Position, RefusesATargetThatIsItsOwnOrigin) {
    SpkEphemeris engine = de430();
    const auto earth = engine.position(Body::Earth, tdb(DE430_MIDDLE), geometric(OriginKind::Geocentric));
    EXPECT_EQ(earth.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(earth.error().message(), IDENTICAL);
    EXPECT_EQ(error_text(engine.position(Body::Sun, tdb(DE430_MIDDLE), apparent(OriginKind::Heliocentric))),
              IDENTICAL);

    // From a site on the Earth the Earth is the geocentre, one radius away.
    const test::ScratchDir scratch;
    SpkEphemeris timed = test::de430_with_time_kernels(scratch);
    const auto from_site =
        timed.position(Body::Earth, tdb(DE430_MIDDLE), topocentric(geometric(OriginKind::Geocentric)));
    ASSERT_TRUE(from_site) << from_site.error().message();
    EXPECT_NEAR(from_site->distance_au * AU, 6378.137, 1e-6);
}

TEST(Position, ChecksRunInOrder) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = de430();
    // Options before time.
    PositionOptions bad_options = geometric(OriginKind::Geocentric);
    bad_options.apparent = true;
    EXPECT_EQ(error_text(engine.position(Body::Earth, {NAN, TimeScale::Utc}, bad_options)),
              "apparent requires reference_epoch: OfDate");
    // Time before identity and before the observer's time kernels.
    const std::string outside = "Julian day 2457090 is outside kernel range 2457080.5..2457088.5 Tdb";
    EXPECT_EQ(error_text(engine.position(Body::Earth, tdb(2457090), geometric(OriginKind::Geocentric))), outside);
    EXPECT_EQ(error_text(engine.position(Body::Moon, tdb(2457090), topocentric(geometric(OriginKind::Geocentric)))),
              outside);
    EXPECT_EQ(error_text(engine.position(Body::Moon, {DE430_MIDDLE, TimeScale::Utc}, geometric(OriginKind::Geocentric))),
              "conversion from Utc to TDB is not implemented");

    // A site needs both time kernels whatever the instant's scale.
    const auto site = topocentric(apparent(OriginKind::Geocentric));
    EXPECT_EQ(error_text(engine.position(Body::Moon, tdb(DE430_MIDDLE), site)),
              "topocentric origins require a leap-second kernel; attach one with "
              "SpkEphemeris::with_leap_second_kernel");
    SpkEphemeris lsk_only = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    EXPECT_EQ(error_text(lsk_only.position(Body::Moon, tdb(DE430_MIDDLE), site)),
              "topocentric origins require an Earth orientation table (DUT1); attach one with SpkEphemeris::with_eop");
    EXPECT_EQ(error_text(lsk_only.position(Body::Moon, {DE430_MIDDLE, TimeScale::Ut1}, geometric(OriginKind::Geocentric))),
              "UT1 requires an Earth orientation table (DUT1); attach one with SpkEphemeris::with_eop");

    // Kernel failures come last, as Evaluation errors.
    const auto mars = engine.position(Body::Mars, tdb(DE430_MIDDLE), geometric(OriginKind::Geocentric));
    EXPECT_EQ(mars.error().kind(), EphemerisError::Kind::Evaluation);
    EXPECT_TRUE(mars.error().message().starts_with("no SPK segment continues the center chain from target 499"))
        << mars.error().message();
}

TEST(Position, RefusesASiteTheEarthWouldCarryFasterThanLight) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const auto moon_from = [&](GeodeticObserver site) {
        return engine.position(Body::Moon, tdb(DE430_MIDDLE), topocentric(apparent(OriginKind::Geocentric), site));
    };
    EXPECT_EQ(error_text(moon_from({0, 91, 1e300})),
              "geodetic latitude must be finite and within [-90, 90] degrees");
    const auto far = moon_from({0, 90, 1e300});
    EXPECT_EQ(far.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(far.error().message(), "observer height_m 1" + std::string(300, '0') +
                                         " puts the site beyond the distance at which the Earth's rotation "
                                         "reaches the speed of light");
    EXPECT_EQ(error_text(moon_from({0, 0, 4.2e12})),
              "observer height_m 4200000000000 puts the site beyond the distance at which the Earth's rotation "
              "reaches the speed of light");
    EXPECT_TRUE(moon_from({0, 0, 4.1e12}));
}

TEST(Position, DeflectionSparesTheSunAndHeliocentricRequests) {
    SpkEphemeris engine = de430();
    PositionOptions deflected = geometric(OriginKind::Geocentric);
    deflected.corrections.gravitational_deflection = true;
    const auto same = [&](Body body, OriginKind origin) {
        PositionOptions on = deflected;
        on.origin.kind = origin;
        const Position with = *engine.position(body, tdb(DE430_MIDDLE), on);
        const Position without = *engine.position(body, tdb(DE430_MIDDLE), geometric(origin));
        return with.longitude_deg == without.longitude_deg && with.latitude_deg == without.latitude_deg &&
               with.distance_au == without.distance_au;
    };
    EXPECT_TRUE(same(Body::Sun, OriginKind::Geocentric));
    EXPECT_TRUE(same(Body::Venus, OriginKind::Heliocentric));
    EXPECT_FALSE(same(Body::Venus, OriginKind::Geocentric));
    EXPECT_TRUE(same(Body::Sun, OriginKind::Barycentric));
    EXPECT_FALSE(same(Body::Mercury, OriginKind::Barycentric));
}

TEST(Position, DirectionCorrectionsKeepTheDistanceLightTimeDoesNot) {
    SpkEphemeris engine = de430();
    const Position plain = *engine.position(Body::Venus, tdb(DE430_MIDDLE), geometric(OriginKind::Geocentric));
    const auto corrected = [&](Corrections corrections) {
        PositionOptions options = geometric(OriginKind::Geocentric);
        options.corrections = corrections;
        return *engine.position(Body::Venus, tdb(DE430_MIDDLE), options);
    };

    const Position deflected = corrected({.gravitational_deflection = true});
    EXPECT_NEAR(deflected.distance_au, plain.distance_au, 1e-15);
    EXPECT_GT(separation_arcsec(deflected, plain), 1e-4);
    EXPECT_LT(separation_arcsec(deflected, plain), 0.1);

    const Position aberrated = corrected({.aberration = true});
    EXPECT_NEAR(aberrated.distance_au, plain.distance_au, 1e-15);
    EXPECT_GT(separation_arcsec(aberrated, plain), 5);
    EXPECT_LT(separation_arcsec(aberrated, plain), 35);

    // Venus recedes at a few km/s during the ~11.4 minutes its light travels.
    const Position delayed = corrected({.light_time = true});
    const double change_km = std::abs(delayed.distance_au - plain.distance_au) * AU;
    EXPECT_GT(change_km, 100);
    EXPECT_LT(change_km, 50 * 700);
}

TEST(Position, TopocentricMoonShowsParallax) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const Instant instant{DE430_MIDDLE, TimeScale::Utc};
    const Position geocentric = *engine.position(Body::Moon, instant, apparent(OriginKind::Geocentric));
    const Position from_site =
        *engine.position(Body::Moon, instant, topocentric(apparent(OriginKind::Geocentric), {10, 50, 200}));
    const double parallax = separation_arcsec(geocentric, from_site);
    EXPECT_GT(parallax, 60);
    EXPECT_LT(parallax, 3700);  // at most the horizontal parallax, ~1 degree
    EXPECT_LT(std::abs(from_site.distance_au - geocentric.distance_au) * AU, 6400);
}

// A synthetic body receding from the barycentre at half the speed of light makes the
// three fixed light-time iterations visible: they stop short of the converged value.
TEST(Position, LightTimeIteratesExactlyThreeTimes) {
    const double c = SPEED_OF_LIGHT_KM_PER_S;
    const double beta = 0.5;
    const double x0 = 3e8;  // km at TDB J2000
    const double half_span = 5000;
    std::vector<test::SegmentData> segments{test::segment_data(
        301, 0, -half_span, half_span,
        test::type2_segment_words(-half_span, 2 * half_span,
                                  {test::type2_record(0, half_span, {x0, beta * c * half_span}, {0, 0}, {0, 0})}))};
    test::DafImage image = test::spk_image(segments);
    const test::ScratchDir scratch;
    auto opened = SpkEphemeris::open(scratch.write("receding.bsp", image.bytes()), test::ENGINE_DIGEST);
    ASSERT_TRUE(opened) << opened.error().message();
    SpkEphemeris engine = std::move(opened).value();

    PositionOptions options = geometric(OriginKind::Barycentric, CoordinateSystem::Equatorial);
    EXPECT_NEAR(engine.position(Body::Moon, tdb(J2000_JULIAN_DAY), options)->distance_au * AU, x0, 1e-6);
    options.corrections.light_time = true;
    const double distance_km = engine.position(Body::Moon, tdb(J2000_JULIAN_DAY), options)->distance_au * AU;
    EXPECT_NEAR(distance_km, x0 * (1 - beta + beta * beta - beta * beta * beta), 1e-3);
    EXPECT_GT(std::abs(distance_km - x0 / (1 + beta)), 1e6);
}

}  // namespace
}  // namespace orbyx
