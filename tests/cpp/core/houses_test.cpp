#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/houses.hpp"
#include "core/nutation.hpp"
#include "core/precession_iau2006.hpp"
#include "erfa_references.hpp"

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double UT1 = 2460676.3;
constexpr double TT = UT1 + 69.2 / 86400.0;
constexpr HouseSystem ALL_SYSTEMS[] = {HouseSystem::Placidus, HouseSystem::Campanus,
                                       HouseSystem::Equal, HouseSystem::WholeSign};
constexpr HouseSystem SYSTEMS_WITHOUT_LATITUDE_LIMIT[] = {
    HouseSystem::Campanus, HouseSystem::Equal, HouseSystem::WholeSign};

// Signed difference a - b folded into [-180, 180).
double degrees_apart(double a, double b) { return std::remainder(a - b, 360.0); }

HouseCusps cusps_at(double longitude_deg, double latitude_deg, HouseSystem system) {
    const auto cusps = house_cusps({longitude_deg, latitude_deg, 0.0}, system, UT1, TT);
    EXPECT_TRUE(cusps.ok()) << "latitude " << latitude_deg << " system " << int(system);
    return cusps.ok() ? *cusps : HouseCusps{};
}

TEST(HouseCusps, ChecksTheSiteBeforeTheEpochsAndNaNLatitudeIsNotARangeError) {
    const auto error_of = [](GeodeticObserver observer, double ut1, double tt) {
        return house_cusps(observer, HouseSystem::Equal, ut1, tt).error();
    };
    EXPECT_EQ(error_of({NaN, 91.0, 0.0}, UT1, TT), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, NaN, 0.0}, UT1, TT), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, 91.0, INFINITY}, UT1, TT), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, 90.000001, 0.0}, UT1, TT), CoordinateError::InvalidLatitude);
    EXPECT_EQ(error_of({0.0, -91.0, 0.0}, NaN, NaN), CoordinateError::InvalidLatitude);
    EXPECT_EQ(error_of({0.0, 45.0, 0.0}, NaN, TT), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, 45.0, 0.0}, UT1, -INFINITY), CoordinateError::NonFiniteState);
    // Finite days so far out that the precession polynomials overflow.
    EXPECT_EQ(error_of({0.0, 91.0, 0.0}, UT1, 1e305), CoordinateError::InvalidLatitude);
    EXPECT_EQ(error_of({0.0, 45.0, 0.0}, NaN, 1e305), CoordinateError::NonFiniteState);
    EXPECT_EQ(error_of({0.0, 45.0, 0.0}, 1e305, -1e100), CoordinateError::NonFiniteAnglesOfDate);
    EXPECT_EQ(message(error_of({0.0, 45.0, 0.0}, UT1, 1e70)),
              "TT Julian day is too far from J2000 for a finite sidereal time and obliquity");
    EXPECT_EQ(message(error_of({0.0, NaN, 0.0}, UT1, TT)), "Cartesian state must be finite");
    EXPECT_EQ(message(error_of({0.0, 90.000001, 0.0}, UT1, TT)),
              "geodetic latitude must be finite and within [-90, 90] degrees");
}

TEST(HouseCusps, PlacidusStopsAtThePolarCirclesWhereTheOtherSystemsGoOn) {
    for (const double latitude : {70.0, -70.0, 89.0, 90.0, -90.0}) {
        const auto placidus = house_cusps({0.0, latitude, 0.0}, HouseSystem::Placidus, UT1, TT);
        ASSERT_FALSE(placidus.ok()) << latitude;
        EXPECT_EQ(placidus.error(), CoordinateError::UndefinedHouseCusps);
        EXPECT_EQ(message(placidus.error()),
                  "house cusps are undefined for this system at the requested latitude");
        for (const HouseSystem system : SYSTEMS_WITHOUT_LATITUDE_LIMIT) {
            const HouseCusps cusps = cusps_at(0.0, latitude, system);
            for (const double cusp : cusps.cusp_ecliptic_longitude_deg) {
                EXPECT_TRUE(std::isfinite(cusp)) << latitude << " system " << int(system);
            }
        }
    }
    EXPECT_TRUE(house_cusps({0.0, 66.0, 0.0}, HouseSystem::Placidus, UT1, TT).ok());
    EXPECT_TRUE(house_cusps({0.0, -66.0, 0.0}, HouseSystem::Placidus, UT1, TT).ok());
}

TEST(HouseCusps, AnglesAndCuspsMeetWhereEachSystemPutsThem) {
    for (const double latitude : {-60.0, -23.0, 0.0, 40.0, 66.0}) {
        for (const double longitude : {0.0, 95.0, 200.0, 310.0}) {
            for (const HouseSystem system : {HouseSystem::Placidus, HouseSystem::Campanus}) {
                const HouseCusps c = cusps_at(longitude, latitude, system);
                const auto& cusp = c.cusp_ecliptic_longitude_deg;
                EXPECT_NEAR(degrees_apart(cusp[0], c.ascendant_deg), 0.0, 1e-12);
                EXPECT_NEAR(degrees_apart(cusp[9], c.midheaven_deg), 0.0, 1e-12);
                for (int house = 0; house < 6; ++house) {
                    const double opposite = std::fabs(degrees_apart(cusp[house + 6], cusp[house]));
                    EXPECT_NEAR(opposite, 180.0, 1e-12)
                        << latitude << " " << longitude << " house " << house + 1;
                }
                // Houses follow one another eastwards along the ecliptic.
                for (int house = 0; house < 12; ++house) {
                    const double step = degrees_apart(cusp[(house + 1) % 12], cusp[house]);
                    EXPECT_GT(step, 0.0) << latitude << " " << longitude << " system "
                                         << int(system) << " house " << house + 1;
                }
            }
            const HouseCusps equal = cusps_at(longitude, latitude, HouseSystem::Equal);
            EXPECT_NEAR(degrees_apart(equal.cusp_ecliptic_longitude_deg[0], equal.ascendant_deg),
                        0.0, 1e-12);
            EXPECT_NEAR(degrees_apart(equal.cusp_ecliptic_longitude_deg[9],
                                      equal.ascendant_deg + 270.0),
                        0.0, 1e-12);
            for (const HouseSystem system : ALL_SYSTEMS) {
                const HouseCusps c = cusps_at(longitude, latitude, system);
                for (const double value : c.cusp_ecliptic_longitude_deg) {
                    EXPECT_GE(value, 0.0);
                    EXPECT_LT(value, 360.0);
                }
                EXPECT_GE(c.ascendant_deg, 0.0);
                EXPECT_LT(c.ascendant_deg, 360.0);
                EXPECT_GE(c.midheaven_deg, 0.0);
                EXPECT_LT(c.midheaven_deg, 360.0);
                EXPECT_EQ(c.ramc_deg, c.local_sidereal_time_deg);
            }
        }
    }
}

TEST(HouseCusps, WholeSignsStartAtTheAscendantSignThroughRadiansAndBack) {
    const HouseCusps c = cusps_at(0.0, 51.5, HouseSystem::WholeSign);
    ASSERT_GE(c.ascendant_deg, 120.0);
    ASSERT_LT(c.ascendant_deg, 150.0);
    const std::array<double, 12> expected = {
        119.99999999999999, 150.0, 180.0, 210.00000000000003, 239.99999999999997, 270.0,
        300.0, 330.0, 0.0, 29.999999999999996, 59.999999999999993, 90.0};
    for (int house = 0; house < 12; ++house) {
        EXPECT_EQ(c.cusp_ecliptic_longitude_deg[house], expected[house]) << "house " << house + 1;
    }
}

// Here the ascendant comes out a hair below zero, where adding 360 rounds to 360 itself.
TEST(HouseCusps, AnglesAHairBelowZeroReduceToZero) {
    for (const HouseSystem system : SYSTEMS_WITHOUT_LATITUDE_LIMIT) {
        const auto c = house_cusps({0.0, -90.0, 0.0}, system, 2415020.7, 2415020.7);
        ASSERT_TRUE(c.ok()) << int(system);
        EXPECT_EQ(c->ascendant_deg, 0.0) << int(system);
        for (const double value : c->cusp_ecliptic_longitude_deg) {
            EXPECT_GE(value, 0.0) << int(system);
            EXPECT_LT(value, 360.0) << int(system);
        }
    }
}

TEST(HouseCusps, PolesKeepTheAscendantOnTheHorizonOfTheEquinoxes) {
    // At the north pole the horizon is the equator, so the ascendant is an equinox.
    const HouseCusps north = cusps_at(0.0, 90.0, HouseSystem::Campanus);
    const HouseCusps south = cusps_at(0.0, -90.0, HouseSystem::Campanus);
    EXPECT_NEAR(degrees_apart(north.ascendant_deg, 180.0), 0.0, 1e-12);
    EXPECT_NEAR(degrees_apart(south.ascendant_deg, 0.0), 0.0, 1e-12);
    EXPECT_EQ(north.midheaven_deg, south.midheaven_deg);
}

TEST(HouseCusps, SiderealAngleAndObliquityFollowUt1AndTtAsErfaDoes) {
    // ee00b's further complementary terms stay below 2e-10 rad.
    constexpr double SIDEREAL_TOLERANCE_DEG = 2e-10 * RADIANS_TO_DEGREES;
    constexpr double longitude_deg = -75.5;
    for (const auto& date : erfa_references::DATES) {
        const auto c = house_cusps({longitude_deg, 10.0, 0.0}, HouseSystem::Equal,
                                   date.ut1_julian_day, date.tt_julian_day);
        ASSERT_TRUE(c.ok());
        const double expected_ramc_deg = date.gast_rad * RADIANS_TO_DEGREES + longitude_deg;
        EXPECT_NEAR(degrees_apart(c->ramc_deg, expected_ramc_deg), 0.0, SIDEREAL_TOLERANCE_DEG)
            << date.tt_julian_day;
        EXPECT_NEAR(c->true_obliquity_deg,
                    (date.epsilon_a_rad + date.deps_rad) * RADIANS_TO_DEGREES, 1e-12)
            << date.tt_julian_day;
    }
}

// Placidus cusp 11, 12, 2 or 3 by the plain fixed-point iteration on its declination,
// in radians; empty where it refuses.
std::optional<double> placidus_by_iteration(int house, double ramc, double latitude,
                                            double obliquity) {
    const double sin_latitude = std::sin(latitude);
    const double cos_latitude = std::cos(latitude);
    double declination = 0.0;
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double denominator = cos_latitude * std::cos(declination);
        if (std::fabs(denominator) < 1e-18) return std::nullopt;
        const double q = std::sin(declination) * -sin_latitude / denominator;
        if (!(std::fabs(q) <= 1.0)) return std::nullopt;
        const double dsa = std::acos(q);
        const double ra = house == 11   ? ramc + dsa / 3.0
                          : house == 12 ? ramc + 2.0 * dsa / 3.0
                          : house == 2  ? (ramc + PI) + 2.0 * (PI - dsa) / -3.0
                                        : (ramc + PI) + (PI - dsa) / -3.0;
        const double longitude = std::atan2(std::sin(ra), std::cos(obliquity) * std::cos(ra));
        const double next = std::asin(std::sin(obliquity) * std::sin(longitude));
        if (std::fabs(next - declination) < 1e-12) return reduced_to_turn_rad(longitude);
        declination = next;
    }
    return std::nullopt;
}

TEST(HouseCusps, PlacidusSettlesWhereThePlainIterationDoes) {
    constexpr std::array<int, 4> SEARCHED_HOUSES = {11, 12, 2, 3};
    for (const double ut1 : {2305447.5, 2415020.5, 2451545.0, 2460676.3, 2488069.5, 2597641.5}) {
        const double tt = ut1 + 69.2 / 86400.0;
        const Nutation nutation = nutation_iau2000b(tt);
        const double obliquity =
            mean_obliquity_iau2006_rad(julian_centuries_since_j2000(tt)) + nutation.deps_rad;
        for (double latitude = -69.0; latitude <= 69.0; latitude += 3.0) {
            for (double longitude = 0.0; longitude < 360.0; longitude += 30.0) {
                const double ramc = local_apparent_sidereal_time_iau2006(
                    longitude * DEGREES_TO_RADIANS, ut1, tt, nutation);
                const auto cusps =
                    house_cusps({longitude, latitude, 0.0}, HouseSystem::Placidus, ut1, tt);
                bool iteration_settles = true;
                for (const int house : SEARCHED_HOUSES) {
                    const auto expected = placidus_by_iteration(
                        house, ramc, latitude * DEGREES_TO_RADIANS, obliquity);
                    iteration_settles = iteration_settles && expected.has_value();
                    if (!expected || !cusps.ok()) continue;
                    const double apart_rad =
                        degrees_apart(cusps->cusp_ecliptic_longitude_deg[house - 1],
                                      *expected * RADIANS_TO_DEGREES) *
                        DEGREES_TO_RADIANS;
                    EXPECT_LT(std::fabs(apart_rad), 1e-12)
                        << ut1 << " " << latitude << " " << longitude << " house " << house;
                }
                EXPECT_EQ(cusps.ok(), iteration_settles) << ut1 << " " << latitude << " " << longitude;
            }
        }
    }
}

}  // namespace
}  // namespace orbyx
