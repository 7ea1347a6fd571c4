#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::apparent;
using test::DE430_MIDDLE;
using test::topocentric;

bool same_bits(const Position& a, const Position& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const GeodeticObserver SITE{-70.5, -30.2, 2200.0};
const std::vector<Body> BODIES = {Body::Sun, Body::Moon, Body::Venus};

std::vector<Instant> instants_around_middle() {
    std::vector<Instant> instants;
    for (int k = 0; k < 5; ++k) instants.push_back({DE430_MIDDLE + 0.37 * k, TimeScale::Tt});
    return instants;
}

// A site turned by other days and no pole, as a time model would turn it: the batch
// and the single positions agree on it bit for bit.
TEST(CallerSite, BatchesFromTheCallersSitesEqualSinglePositions) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const auto options = topocentric(apparent(OriginKind::Geocentric, CoordinateSystem::Equatorial), SITE);
    const std::vector<Instant> instants = instants_around_middle();
    std::vector<CartesianState> sites;
    for (const Instant& instant : instants) {
        const double ut1 = instant.julian_day - 70.0 / 86400.0;
        const auto site = engine.observer_gcrs_state(SITE, ut1, instant.julian_day, 0.0, 0.0);
        ASSERT_TRUE(site) << site.error().message();
        sites.push_back(*site);
    }
    const auto batch = engine.check_positions(BODIES, instants, options, sites);
    ASSERT_TRUE(batch) << batch.error().message();
    std::vector<double> out(batch->value_count());
    ASSERT_TRUE(engine.positions(*batch, out));
    for (std::size_t i = 0; i < instants.size(); ++i) {
        for (std::size_t b = 0; b < BODIES.size(); ++b) {
            const auto single = engine.position(BODIES[b], instants[i], options, sites[i]);
            ASSERT_TRUE(single) << single.error().message();
            Position entry;
            std::memcpy(&entry, out.data() + (i * BODIES.size() + b) * PositionBatch::VALUES_PER_ENTRY, sizeof entry);
            EXPECT_TRUE(same_bits(entry, *single));
            // The tables' own site gives the engine's own bits; the other site moves the place.
            const auto own = engine.position(BODIES[b], instants[i], options);
            const auto tables_site = engine.observer_gcrs_state(SITE, instants[i]);
            ASSERT_TRUE(own && tables_site);
            const auto through_tables_site = engine.position(BODIES[b], instants[i], options, *tables_site);
            ASSERT_TRUE(through_tables_site);
            EXPECT_TRUE(same_bits(*own, *through_tables_site));
            EXPECT_NE(own->longitude_deg, single->longitude_deg);
        }
    }
}

}  // namespace
}  // namespace orbyx
