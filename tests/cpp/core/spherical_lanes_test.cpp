#include "core/spherical_lanes.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace orbyx {
namespace {

constexpr double PI = 3.141592653589793;
constexpr double INF = std::numeric_limits<double>::infinity();

// Distance in units in the last place between two finite doubles of the same sign.
std::int64_t ulps_apart(double a, double b) {
    return std::abs(std::bit_cast<std::int64_t>(a) - std::bit_cast<std::int64_t>(b));
}

TEST(AngleOf, StaysWithinAUnitOrTwoOfTheLibraryAtan2) {
    // The library's atan2 is itself within a unit of the exact angle.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> turn(-PI, PI);
    std::uniform_real_distribution<double> decade(-30, 30);
    std::int64_t worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const double angle = turn(random);
        const double radius = std::pow(10.0, decade(random));
        double x = radius * std::cos(angle), y = radius * std::sin(angle);
        if (i % 5 == 0) y *= 1e-7;  // near the x axis
        if (i % 7 == 0) x *= 1e-7;  // near the y axis
        const double expected = std::atan2(y, x);
        const double actual = angle_of(y, x);
        ASSERT_EQ(std::signbit(actual), std::signbit(expected)) << y << ", " << x;
        worst = std::max(worst, ulps_apart(actual, expected));
    }
    EXPECT_LE(worst, 2);
}

TEST(AngleOf, AxesZerosAndExtremesAreThoseOfAtan2) {
    const double cases[][2] = {{0.0, 1.0},    {-0.0, 1.0},  {0.0, -1.0},    {-0.0, -1.0},   {1.0, 0.0},
                               {-1.0, 0.0},   {1.0, -0.0},  {-1.0, -0.0},   {1.0, 1.0},     {-1.0, -1.0},
                               {3.0, INF},    {-3.0, INF},  {1e-300, 1e300}, {1e300, 1e-300}, {1.7e308, 1.7e308},
                               {1.7e308, -1e308}, {4.9e-324, 1.0}, {1e-320, 1e-310}};
    for (const auto& [y, x] : cases) {
        const double angle = angle_of(y, x);
        EXPECT_EQ(angle, std::atan2(y, x)) << y << ", " << x;
        EXPECT_EQ(std::signbit(angle), std::signbit(std::atan2(y, x))) << y << ", " << x;
    }
}

struct Inputs {
    std::vector<double> x, y, z, vx, vy;
};

// Points in every direction and at every scale, near the axes, and with signed zeros.
Inputs random_inputs(std::size_t count) {
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> decade(-8, 12);
    Inputs in;
    for (std::size_t i = 0; i < count; ++i) {
        const double scale = std::pow(10.0, decade(random));
        double x = normal(random) * scale, y = normal(random) * scale;
        if (i % 9 == 0) y = (i % 2 ? -0.0 : 0.0);
        if (i % 11 == 0) x *= 1e-9;
        in.x.push_back(x);
        in.y.push_back(y);
        in.z.push_back(normal(random) * scale);
        in.vx.push_back(normal(random));
        in.vy.push_back(normal(random));
    }
    return in;
}

// Four columns of results, by component.
using Outputs = std::array<std::vector<double>, 4>;

template <class Lanes>
[[gnu::always_inline]] inline void convert_all(const Inputs& in, Outputs& out) {
    constexpr std::size_t LANES = LANE_COUNT<Lanes>;
    for (auto& column : out) column.assign(in.x.size(), 0.0);
    for (std::size_t i = 0; i + LANES <= in.x.size(); i += LANES) {
        const auto result = spherical_lanes(load_lanes<Lanes>(&in.x[i]), load_lanes<Lanes>(&in.y[i]),
                                            load_lanes<Lanes>(&in.z[i]), load_lanes<Lanes>(&in.vx[i]),
                                            load_lanes<Lanes>(&in.vy[i]));
        store_lanes(result.longitude_deg, &out[0][i]);
        store_lanes(result.latitude_deg, &out[1][i]);
        store_lanes(result.distance_km, &out[2][i]);
        store_lanes(result.longitude_speed_deg_per_day, &out[3][i]);
    }
}

void convert_doubles(const Inputs& in, Outputs& out) {
    for (auto& column : out) column.assign(in.x.size(), 0.0);
    for (std::size_t i = 0; i < in.x.size(); ++i) {
        const auto result = spherical_lanes(in.x[i], in.y[i], in.z[i], in.vx[i], in.vy[i]);
        out[0][i] = result.longitude_deg;
        out[1][i] = result.latitude_deg;
        out[2][i] = result.distance_km;
        out[3][i] = result.longitude_speed_deg_per_day;
    }
}

void convert_pairs(const Inputs& in, Outputs& out) { convert_all<Pair>(in, out); }
ORBYX_QUAD_TARGET void convert_quads(const Inputs& in, Outputs& out) { convert_all<Quad>(in, out); }

void expect_same_bits(const Outputs& lanes, const Outputs& doubles, const char* width) {
    for (std::size_t column = 0; column < 4; ++column) {
        for (std::size_t i = 0; i < doubles[column].size(); ++i) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(lanes[column][i]), std::bit_cast<std::uint64_t>(doubles[column][i]))
                << width << " column " << column << " entry " << i;
        }
    }
}

// A state converted among others in a vector gives the bits it gives alone, on
// every lane width the processor runs.
TEST(SphericalLanes, EveryWidthGivesTheBitsOfALoneState) {
    const Inputs in = random_inputs(4096);
    Outputs doubles, lanes;
    convert_doubles(in, doubles);
    convert_pairs(in, lanes);
    expect_same_bits(lanes, doubles, "pairs");
    if (quads_are_native()) {
        convert_quads(in, lanes);
        expect_same_bits(lanes, doubles, "quads");
    }
}

}  // namespace
}  // namespace orbyx
