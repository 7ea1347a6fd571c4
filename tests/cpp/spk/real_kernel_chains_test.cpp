#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "spk/barycentric_state.hpp"
#include "spk/batch_barycentric.hpp"
#include "spk/coverage.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

double seconds_past_j2000(double julian_day) { return (julian_day - 2451545.0) * 86400.0; }

std::vector<SpkKernel> open_test_kernels(const char* file) {
    std::vector<SpkKernel> kernels;
    kernels.push_back(SpkKernel::open(test::test_data(file)).value());
    return kernels;
}

class RealKernelChains : public ::testing::TestWithParam<const char*> {};

// Spread over the common coverage, once out of order and once rising (the rising
// list is swept in blocks), so that records and segments (DE441 has targets in two
// segments meeting end to start) change often.
TEST_P(RealKernelChains, BatchesMatchSingleWalksBitForBit) {
    std::vector<SpkKernel> kernels = open_test_kernels(GetParam());
    const auto segments = kernels[0].segments().value();
    std::set<std::int32_t> targets;
    for (const auto& segment : segments) targets.insert(segment.target);
    const auto [start, end] = common_contiguous_coverage(segments).value();
    constexpr int count = 997;
    std::vector<double> shuffled;
    for (int i = 0; i < count; ++i) shuffled.push_back(start + (end - start) * ((i * 389) % count) / (count - 1));
    shuffled.push_back(end);
    std::vector<double> rising = shuffled;
    std::sort(rising.begin(), rising.end());

    for (const auto& epochs : {shuffled, rising}) {
        for (const std::int32_t target : targets) {
            const auto states = barycentric_states_across_kernels(kernels, target, epochs);
            ASSERT_TRUE(states) << target << ": " << states.error().message();
            for (std::size_t i = 0; i < epochs.size(); ++i) {
                const auto single = barycentric_state_across_kernels(kernels, target, epochs[i]);
                ASSERT_TRUE(single) << single.error().message();
                ASSERT_EQ((*states)[i].position, single->position) << target << " at " << epochs[i];
                ASSERT_EQ((*states)[i].velocity, single->velocity) << target << " at " << epochs[i];
            }
        }
    }
}

TEST_P(RealKernelChains, TheMoonIsItsTwoLinksSummed) {
    std::vector<SpkKernel> kernels = open_test_kernels(GetParam());
    const auto segments = kernels[0].segments().value();
    const auto last_covering = [&](std::int32_t target, double epoch) {
        const auto found = std::find_if(segments.rbegin(), segments.rend(), [&](const SpkSegment& s) {
            return s.target == target && s.start_epoch <= epoch && epoch <= s.end_epoch;
        });
        return *found;
    };
    const auto moon_segment = std::find_if(segments.begin(), segments.end(),
                                           [](const SpkSegment& s) { return s.target == 301; });
    ASSERT_NE(moon_segment, segments.end());
    const double epoch = moon_segment->start_epoch + 0.37 * (moon_segment->end_epoch - moon_segment->start_epoch);
    const SpkSegment moon = last_covering(301, epoch);
    const SpkSegment emb = last_covering(3, epoch);
    ASSERT_EQ(moon.center, 3);
    ASSERT_EQ(emb.center, 0);

    const auto moon_link = kernels[0].evaluate_type2_at_epoch(moon.begin_address, moon.end_address, epoch);
    const auto emb_link = kernels[0].evaluate_type2_at_epoch(emb.begin_address, emb.end_address, epoch);
    ASSERT_TRUE(moon_link && emb_link);
    StateVector sum{};
    add_in_place(sum, *moon_link);
    add_in_place(sum, *emb_link);
    const auto state = barycentric_state_across_kernels(kernels, 301, epoch);
    ASSERT_TRUE(state) << state.error().message();
    EXPECT_EQ(state->position, sum.position);
    EXPECT_EQ(state->velocity, sum.velocity);
}

INSTANTIATE_TEST_SUITE_P(De430AndDe441, RealKernelChains,
                         ::testing::Values("de430-2015-03-02.bsp", "de441-1969.bsp"));

TEST(RealKernelChains, TheMoonAgreesWithAnIndependentReader) {
    std::vector<SpkKernel> kernels = open_test_kernels("de430-2015-03-02.bsp");
    // jplephem on the same file, JD 2457084.75 TDB.
    const std::array<double, 3> position{-140946520.19671813, 41974094.82721336, 18140939.418194897};
    const std::array<double, 3> velocity{-10.31699811006449, -26.734002502547526, -11.536555079752786};
    const auto moon = barycentric_state_across_kernels(kernels, 301, seconds_past_j2000(2457084.75));
    ASSERT_TRUE(moon) << moon.error().message();
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(moon->position[axis], position[axis], 1e-6);
        EXPECT_NEAR(moon->velocity[axis], velocity[axis], 1e-12);
    }
}

TEST(RealKernelChains, JupiterThroughTypeThreeIsRefused) {
    std::vector<SpkKernel> kernels = open_test_kernels("jup310-2015-03-02.bsp");
    const double epoch = seconds_past_j2000(2457084.5);
    const auto single = barycentric_state_across_kernels(kernels, 599, epoch);
    ASSERT_FALSE(single);
    EXPECT_EQ(single.error().message(), "unsupported SPK segment type 3");
    const auto batch = barycentric_states_across_kernels(kernels, 599, std::vector<double>{epoch, epoch + 60});
    ASSERT_FALSE(batch);
    EXPECT_EQ(batch.error().message(), "unsupported SPK segment type 3");
    // The Type 2 chains of the same file evaluate.
    EXPECT_TRUE(barycentric_state_across_kernels(kernels, 399, epoch));
}

}  // namespace
}  // namespace orbyx
