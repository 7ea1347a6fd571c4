#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::apparent;
using test::DE430_MIDDLE;
using test::error_text;
using test::geometric;
using test::topocentric;

bool same_bits(const Position& a, const Position& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const GeodeticObserver SITE{-70.5, -30.2, 2200.0};
const std::vector<Body> BODIES = {Body::Sun, Body::Moon, Body::Venus};

std::vector<Instant> instants_around_middle() {
    std::vector<Instant> instants;
    for (int k = 0; k < 5; ++k) instants.push_back({DE430_MIDDLE + 0.37 * k, TimeScale::Tt});
    return instants;
}

TEST(CallerSite, TheTablesSiteGivesTheEnginesOwnBits) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    for (const PositionOptions& options : {topocentric(apparent(OriginKind::Geocentric, CoordinateSystem::Equatorial), SITE),
                                           topocentric(geometric(OriginKind::Geocentric), SITE)}) {
        for (const Instant& instant : instants_around_middle()) {
            const auto site = engine.observer_gcrs_state(SITE, instant);
            ASSERT_TRUE(site) << site.error().message();
            for (Body body : BODIES) {
                const auto own = engine.position(body, instant, options);
                const auto given = engine.position(body, instant, options, *site);
                ASSERT_TRUE(own && given) << error_text(own) << error_text(given);
                EXPECT_TRUE(same_bits(*own, *given)) << debug_name(body);
            }
        }
    }
}

// A site turned by other days and no pole, as a time model would turn it: the batch
// and the single positions agree on it, and it is not the tables' site.
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
            const auto tables = engine.position(BODIES[b], instants[i], options);
            ASSERT_TRUE(tables);
            EXPECT_NE(tables->longitude_deg, single->longitude_deg);
        }
    }
}

TEST(CallerSite, RefusesWhatASiteStateCannotServe) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const Instant instant{DE430_MIDDLE, TimeScale::Tt};
    const CartesianState site{{6000.0, 0.0, 0.0}, {0.0, 0.4, 0.0}};
    EXPECT_EQ(error_text(engine.position(Body::Sun, instant, geometric(OriginKind::Geocentric), site)),
              "a site state needs a topocentric origin");
    const std::vector<Instant> two = {instant, instant};
    EXPECT_EQ(error_text(engine.check_positions(BODIES, two, topocentric(geometric(OriginKind::Geocentric)),
                                                std::vector<CartesianState>{site})),
              "site states need a topocentric origin and one state per instant");
    const GeodeticObserver beyond_light{0.0, 0.0, 5e12};
    EXPECT_NE(error_text(engine.observer_gcrs_state(beyond_light, DE430_MIDDLE, DE430_MIDDLE, 0.0, 0.0))
                  .find("beyond the distance"),
              std::string::npos);
}

}  // namespace
}  // namespace orbyx
