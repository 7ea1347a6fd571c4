#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/ayanamsha.hpp"
#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::apparent;
using test::de430;
using test::DE430_END;
using test::DE430_MIDDLE;
using test::error_text;
using test::geometric;
using test::tdb;

const std::string NOT_ECLIPTIC_OF_DATE = "sidereal longitudes require ecliptic of date";

// Precession alone: the mean ecliptic and equinox of date.
PositionOptions mean_ecliptic_of_date() {
    PositionOptions options{{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    options.corrections.precession = true;
    return options;
}

TEST(SiderealPosition, RefusesOtherFramesBeforeAnyTimeConversion) {
    SpkEphemeris engine = de430();
    const Instant unconvertible{NAN, TimeScale::Utc};
    EXPECT_EQ(error_text(engine.sidereal_position(Body::Sun, unconvertible, geometric(OriginKind::Geocentric),
                                                  SiderealMode::Lahiri)),
              NOT_ECLIPTIC_OF_DATE);
    const auto equatorial = engine.sidereal_position(
        Body::Sun, unconvertible, apparent(OriginKind::Geocentric, CoordinateSystem::Equatorial),
        SiderealMode::FaganBradley);
    EXPECT_EQ(equatorial.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(equatorial.error().message(), NOT_ECLIPTIC_OF_DATE);
    // The frame is judged on the options as given, before `apparent` is resolved.
    PositionOptions apparent_j2000 = geometric(OriginKind::Geocentric);
    apparent_j2000.apparent = true;
    EXPECT_EQ(error_text(engine.sidereal_position(Body::Sun, unconvertible, apparent_j2000, SiderealMode::Lahiri)),
              NOT_ECLIPTIC_OF_DATE);
}

TEST(SiderealPosition, PassesOnThePositionAndTimeErrors) {
    SpkEphemeris engine = de430();
    const auto options = apparent(OriginKind::Geocentric);
    EXPECT_EQ(engine.sidereal_position(Body::Moon, tdb(DE430_END + 1.0), options, SiderealMode::Lahiri)
                  .error()
                  .kind(),
              EphemerisError::Kind::OutOfRange);
    EXPECT_EQ(error_text(engine.sidereal_position(Body::Moon, {DE430_MIDDLE, TimeScale::Utc}, options,
                                                  SiderealMode::Lahiri)),
              "conversion from Utc to TDB is not implemented");
    PositionOptions nutation_without_true_ecliptic = mean_ecliptic_of_date();
    nutation_without_true_ecliptic.corrections.nutation = true;
    EXPECT_EQ(error_text(engine.sidereal_position(Body::Moon, tdb(DE430_MIDDLE), nutation_without_true_ecliptic,
                                                  SiderealMode::Lahiri)),
              "ecliptic-of-date with nutation requires true_ecliptic");
}

TEST(SiderealPosition, SubtractsTheAyanamshaAtTheTtDay) {
    SpkEphemeris engine = SpkEphemeris::with_leap_second_kernel(de430(), test::leap_seconds());
    // A UTC instant: the ayanamsha must be taken 67 s later, at TT.
    const Instant utc{DE430_MIDDLE, TimeScale::Utc};
    const double tt = *engine.instant_as_tt(utc);
    ASSERT_NEAR((tt - DE430_MIDDLE) * 86400.0, 67.184, 1e-3);
    for (const auto& options : {apparent(OriginKind::Geocentric), mean_ecliptic_of_date()}) {
        for (const SiderealMode mode : {SiderealMode::Lahiri, SiderealMode::FaganBradley}) {
            const Position tropical = *engine.position(Body::Moon, utc, options);
            const auto sidereal = engine.sidereal_position(Body::Moon, utc, options, mode);
            ASSERT_TRUE(sidereal) << sidereal.error().message();
            EXPECT_NEAR(sidereal->longitude_deg, tropical.longitude_deg - *ayanamsha_deg(mode, tt), 1e-12);
            EXPECT_NEAR(sidereal->longitude_speed_deg_per_day,
                        tropical.longitude_speed_deg_per_day - *ayanamsha_rate_deg_per_day(tt), 1e-15);
            EXPECT_EQ(sidereal->latitude_deg, tropical.latitude_deg);
            EXPECT_EQ(sidereal->distance_au, tropical.distance_au);
        }
    }
}

TEST(SiderealPosition, WrapsIntoTheCircle) {
    // Early in March 2015 Venus stands at about 15 degrees tropical, short of the
    // ayanamsha: its sidereal longitude comes round to the end of the circle.
    SpkEphemeris engine = de430();
    const auto options = apparent(OriginKind::Geocentric);
    const Position tropical = *engine.position(Body::Venus, tdb(DE430_MIDDLE), options);
    const double ayanamsha = *ayanamsha_deg(SiderealMode::Lahiri, DE430_MIDDLE);
    ASSERT_LT(tropical.longitude_deg, ayanamsha);
    const Position sidereal = *engine.sidereal_position(Body::Venus, tdb(DE430_MIDDLE), options, SiderealMode::Lahiri);
    EXPECT_NEAR(sidereal.longitude_deg, tropical.longitude_deg - ayanamsha + 360.0, 1e-12);
    EXPECT_GT(sidereal.longitude_deg, 340.0);
    EXPECT_LT(sidereal.longitude_deg, 360.0);
}

}  // namespace
}  // namespace orbyx
