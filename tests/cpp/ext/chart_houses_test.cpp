#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "ext/houses/chart_houses.hpp"

namespace orbyx {
namespace {

using Vector = std::array<double, 3>;
constexpr double DEG = 3.141592653589793 / 180.0;

double dot(const Vector& a, const Vector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vector cross(const Vector& a, const Vector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The sky of one result in equatorial axes of date, built from its reported angles
// alone, so each cusp is checked against the circle its system puts it on.
struct Sky {
    double ramc, latitude, obliquity;

    Vector ecliptic_point(double longitude_deg) const {
        const double l = longitude_deg * DEG;
        return {std::cos(l), std::sin(l) * std::cos(obliquity), std::sin(l) * std::sin(obliquity)};
    }
    Vector equator_point(double ra) const { return {std::cos(ra), std::sin(ra), 0.0}; }
    Vector zenith(double sidereal) const {
        return {std::cos(latitude) * std::cos(sidereal), std::cos(latitude) * std::sin(sidereal),
                std::sin(latitude)};
    }
    Vector north_point() const {
        return {-std::sin(latitude) * std::cos(ramc), -std::sin(latitude) * std::sin(ramc),
                std::cos(latitude)};
    }
    Vector west_point() const { return {std::sin(ramc), -std::cos(ramc), 0.0}; }
    // Half the day arc of a point, from cos H = -tan(phi) tan(delta).
    double semi_arc(const Vector& point) const {
        return std::acos(-std::tan(latitude) * point[2] / std::hypot(point[0], point[1]));
    }
};

struct Site {
    double longitude_deg, latitude_deg, ut1;
};

class ChartHousesOnTheirCircles : public ::testing::TestWithParam<Site> {
protected:
    ChartHouses houses(AnyHouseSystem system) const {
        const Site site = GetParam();
        auto result = chart_houses({site.longitude_deg, site.latitude_deg, 0.0}, system, std::nullopt,
                                   site.ut1, site.ut1 + 0.0008);
        EXPECT_TRUE(result.ok());
        return *result;
    }
    static Sky sky_of(const ChartHouses& h) {
        return {h.ramc_deg * DEG, GetParam().latitude_deg * DEG, h.true_obliquity_deg * DEG};
    }
};

TEST_P(ChartHousesOnTheirCircles, EachCuspLiesOnItsSystemsCircle) {
    constexpr double TOLERANCE = 1e-13;
    const ChartHouses regiomontanus = houses(AnyHouseSystem::Regiomontanus);
    const ChartHouses meridian = houses(AnyHouseSystem::Meridian);
    const ChartHouses koch = houses(AnyHouseSystem::Koch);
    const ChartHouses alcabitius = houses(AnyHouseSystem::Alcabitius);
    const Sky sky = sky_of(koch);
    const Vector pole{0.0, 0.0, 1.0};
    const auto off_circle = [&sky](double longitude_deg, const Vector& circle_normal) {
        return dot(sky.ecliptic_point(longitude_deg), circle_normal);
    };
    const double mc_arc = sky.semi_arc(sky.ecliptic_point(koch.midheaven_deg));
    const double day_arc = sky.semi_arc(sky.ecliptic_point(koch.ascendant_deg));
    for (int j : {1, 2, 4, 5}) {  // houses 11, 12, 2, 3
        const std::size_t house = (9 + j) % 12;
        const Vector step = sky.equator_point(sky.ramc + j * 30.0 * DEG);
        // Through the horizon's north and south points and the equator's step.
        EXPECT_NEAR(off_circle(regiomontanus.cusps_deg[house], cross(sky.north_point(), step)), 0.0, TOLERANCE);
        // On the hour circle of the equator's step.
        EXPECT_NEAR(off_circle(meridian.cusps_deg[house], cross(pole, step)), 0.0, TOLERANCE);
        // On the horizon of the moment a third of the MC degree's semi-arc away.
        const Vector zenith = sky.zenith(sky.ramc + (j - 3) * mc_arc / 3.0);
        EXPECT_NEAR(off_circle(koch.cusps_deg[house], zenith), 0.0, TOLERANCE);
        // On the hour circle a third of the ascendant's day or night arc away.
        const double hour = j < 3 ? j * day_arc / 3.0 : day_arc + (j - 3) * (180.0 * DEG - day_arc) / 3.0;
        const Vector hour_circle = cross(pole, sky.equator_point(sky.ramc + hour));
        EXPECT_NEAR(off_circle(alcabitius.cusps_deg[house], hour_circle), 0.0, TOLERANCE);
    }
    // The Vertex on the prime vertical, in the west; the East Point on the hour circle
    // of the east point.
    EXPECT_NEAR(off_circle(koch.vertex_deg, sky.north_point()), 0.0, TOLERANCE);
    EXPECT_GT(dot(sky.ecliptic_point(koch.vertex_deg), sky.west_point()), 0.0);
    const Vector east_hour_circle = cross(pole, sky.equator_point(sky.ramc + 90.0 * DEG));
    EXPECT_NEAR(off_circle(koch.east_point_deg, east_hour_circle), 0.0, TOLERANCE);
}

INSTANTIATE_TEST_SUITE_P(Sites, ChartHousesOnTheirCircles,
                         ::testing::Values(Site{2.35, 48.85, 2461543.39}, Site{-70.6, -33.4, 2451545.0},
                                           Site{151.2, -60.0, 2433282.7}, Site{18.96, 66.0, 2469000.1},
                                           Site{0.0, 0.0, 2460000.5}));

TEST(ChartHouses, KochInsideThePolarCirclesTakesTheFallbackOrFails) {
    const GeodeticObserver tromso{18.96, 69.65, 0.0};
    const double ut1 = 2461543.39, tt = 2461543.3908;
    const auto refused = chart_houses(tromso, AnyHouseSystem::Koch, std::nullopt, ut1, tt);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message(),
              "koch house cusps are undefined at the requested latitude; name a fallback system for such sites");
    const auto porphyry = chart_houses(tromso, AnyHouseSystem::Koch, AnyHouseSystem::Porphyry, ut1, tt);
    ASSERT_TRUE(porphyry.ok());
    EXPECT_EQ(porphyry->system, AnyHouseSystem::Porphyry);
    EXPECT_TRUE(porphyry->fallback_used);
    EXPECT_FALSE(chart_houses(tromso, AnyHouseSystem::Koch, AnyHouseSystem::Porphyry, NAN, tt).ok());
}

}  // namespace
}  // namespace orbyx
