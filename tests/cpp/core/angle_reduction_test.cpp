#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"

namespace orbyx {
namespace {

void expect_same_bits_as_fmod(double x) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(remainder_by_whole_period(x, ARCSECONDS_PER_TURN)),
              std::bit_cast<std::uint64_t>(std::fmod(x, ARCSECONDS_PER_TURN)))
        << std::hexfloat << x;
}

TEST(RemainderByWholePeriod, GivesFmodsBitsIncludingSignedZerosAndQuotientsNextToWholes) {
    const double p = ARCSECONDS_PER_TURN;
    for (const double x : {0.0, -0.0, p, -p, 7 * p, -7 * p, 0x1p52, -0x1p52, 0x1p60, 1e300,
                           std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::denorm_min()}) {
        expect_same_bits_as_fmod(x);
        expect_same_bits_as_fmod(std::nextafter(x, 0.0));
        expect_same_bits_as_fmod(std::nextafter(x, INFINITY));
        expect_same_bits_as_fmod(-std::nextafter(x, INFINITY));
    }
    // The fundamental arguments of nutation over +-100 centuries, and around each turn.
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> arcseconds(-2e11, 2e11);
    for (int i = 0; i < 100000; ++i) {
        const double x = arcseconds(random);
        expect_same_bits_as_fmod(x);
        const double turn = std::trunc(x / p) * p;
        expect_same_bits_as_fmod(std::nextafter(turn, 0.0));
        expect_same_bits_as_fmod(std::nextafter(turn, 2.0 * turn));
    }
}

}  // namespace
}  // namespace orbyx
