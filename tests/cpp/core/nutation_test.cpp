#include "core/nutation.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

namespace orbyx {
namespace {

std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// Two days evaluated side by side must give each day's lone bits: the site and the
// frame of one request read them, and batches and searches compare positions to the bit.
TEST(Nutation, DaysPreparedSideBySideKeepTheirLoneBits) {
    std::mt19937_64 random(2000);
    std::uniform_real_distribution<double> day(2451545.0 - 3652500.0, 2451545.0 + 3652500.0);
    std::uniform_real_distribution<double> tdb_minus_tt_days(-2e-8, 2e-8);
    for (int pair = 0; pair < 20000; ++pair) {
        const double first = day(random);
        const double second = pair % 2 == 0 ? first + tdb_minus_tt_days(random) : day(random);
        const Nutation first_alone = nutation_iau2000b(first);
        const Nutation second_alone = nutation_iau2000b(second);
        nutation_iau2000b(0.5);  // forget both, so that the pair is evaluated afresh
        nutation_iau2000b(1.5);

        prepare_nutations_iau2000b(first, second);
        const Nutation first_prepared = nutation_iau2000b(first);
        const Nutation second_prepared = nutation_iau2000b(second);
        ASSERT_EQ(bits(first_prepared.dpsi_rad), bits(first_alone.dpsi_rad)) << first;
        ASSERT_EQ(bits(first_prepared.deps_rad), bits(first_alone.deps_rad)) << first;
        ASSERT_EQ(bits(second_prepared.dpsi_rad), bits(second_alone.dpsi_rad)) << second;
        ASSERT_EQ(bits(second_prepared.deps_rad), bits(second_alone.deps_rad)) << second;
    }
}

}  // namespace
}  // namespace orbyx
