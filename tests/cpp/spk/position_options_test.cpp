#include "spk/position_options.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orbyx {
namespace {

constexpr auto ECLIPTIC = CoordinateSystem::Ecliptic;
constexpr auto EQUATORIAL = CoordinateSystem::Equatorial;
constexpr auto J2000 = ReferenceEpoch::J2000;
constexpr auto OF_DATE = ReferenceEpoch::OfDate;

PositionOptions options(ReferenceEpoch epoch, CoordinateSystem axes, Corrections corrections = {},
                        bool true_ecliptic = false, bool apparent = false) {
    return PositionOptions{{OriginKind::Geocentric}, axes, epoch, apparent, true_ecliptic, corrections};
}

constexpr Corrections PRECESSION{.precession = true};
constexpr Corrections PRECESSION_NUTATION{.precession = true, .nutation = true};

std::string resolution(const PositionOptions& requested) {
    const auto resolved = resolve_position_options(requested);
    if (resolved) return "ok";
    EXPECT_EQ(resolved.error().kind(), EphemerisError::Kind::InvalidRequest);
    return resolved.error().message();
}

TEST(ResolvePositionOptions, ApparentExpandsIntoEveryCorrection) {
    for (const auto axes : {ECLIPTIC, EQUATORIAL}) {
        const auto resolved = resolve_position_options(options(OF_DATE, axes, {}, false, true));
        ASSERT_TRUE(resolved) << resolved.error().message();
        EXPECT_FALSE(resolved->apparent);
        EXPECT_EQ(resolved->true_ecliptic, axes == ECLIPTIC);
        const Corrections& c = resolved->corrections;
        EXPECT_TRUE(c.light_time && c.aberration && c.gravitational_deflection && c.precession && c.nutation);
    }
    // Explicit corrections pass through untouched.
    const Corrections light_time_only{.light_time = true};
    const auto astrometric = resolve_position_options(options(J2000, EQUATORIAL, light_time_only));
    ASSERT_TRUE(astrometric);
    EXPECT_TRUE(astrometric->corrections.light_time);
    EXPECT_FALSE(astrometric->corrections.aberration);
}

TEST(ResolvePositionOptions, RefusesInconsistentFramesInOrder) {
    EXPECT_EQ(resolution(options(J2000, ECLIPTIC, PRECESSION_NUTATION, false, true)),
              "apparent requires reference_epoch: OfDate");
    EXPECT_EQ(resolution(options(OF_DATE, EQUATORIAL, {}, true, true)),
              "true_ecliptic requires CoordinateSystem::Ecliptic");

    EXPECT_EQ(resolution(options(OF_DATE, ECLIPTIC, {.nutation = true}, true)),
              "reference_epoch: OfDate requires corrections.precession");
    EXPECT_EQ(resolution(options(OF_DATE, ECLIPTIC, PRECESSION_NUTATION)),
              "ecliptic-of-date with nutation requires true_ecliptic");
    EXPECT_EQ(resolution(options(OF_DATE, EQUATORIAL, PRECESSION_NUTATION)), "ok");
    EXPECT_EQ(resolution(options(OF_DATE, EQUATORIAL, PRECESSION_NUTATION, true)),
              "true_ecliptic requires CoordinateSystem::Ecliptic");
    EXPECT_EQ(resolution(options(OF_DATE, ECLIPTIC, PRECESSION, true)),
              "true_ecliptic requires corrections.nutation");
    EXPECT_EQ(resolution(options(OF_DATE, ECLIPTIC, PRECESSION)), "ok");
    EXPECT_EQ(resolution(options(OF_DATE, ECLIPTIC, PRECESSION_NUTATION, true)), "ok");

    EXPECT_EQ(resolution(options(J2000, ECLIPTIC, {.nutation = true}, true)),
              "precession and nutation require reference_epoch: OfDate");
    EXPECT_EQ(resolution(options(J2000, EQUATORIAL, {}, true)),
              "true_ecliptic requires CoordinateSystem::Ecliptic");
    EXPECT_EQ(resolution(options(J2000, ECLIPTIC, {}, true)), "true_ecliptic requires reference_epoch: OfDate");
    EXPECT_EQ(resolution(options(J2000, ECLIPTIC, {.light_time = true, .aberration = true})), "ok");
}

TEST(ResolvePositionOptions, ValidatesTheObserverLast) {
    const auto at = [](double latitude_deg, double height_m) {
        PositionOptions requested = options(J2000, ECLIPTIC);
        requested.origin = Origin{OriginKind::Topocentric, {400.0, latitude_deg, height_m}};
        return requested;
    };
    EXPECT_EQ(resolution(at(90, 0)), "ok");
    EXPECT_EQ(resolution(at(-90, 0)), "ok");
    const std::string latitude = "geodetic latitude must be finite and within [-90, 90] degrees";
    EXPECT_EQ(resolution(at(90.000001, 0)), latitude);
    EXPECT_EQ(resolution(at(0, NAN)), "Cartesian state must be finite");
    EXPECT_EQ(resolution(at(NAN, 0)), "Cartesian state must be finite");

    PositionOptions inconsistent = at(NAN, 0);
    inconsistent.apparent = true;
    EXPECT_EQ(resolution(inconsistent), "apparent requires reference_epoch: OfDate");
    // Other origins carry no observer to check.
    PositionOptions geocentric = options(J2000, ECLIPTIC);
    geocentric.origin.observer.latitude_deg = 123;
    EXPECT_EQ(resolution(geocentric), "ok");
}

}  // namespace
}  // namespace orbyx
