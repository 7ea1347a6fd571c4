#include "spk/coverage.hpp"

#include <gtest/gtest.h>

#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::segment;

std::string error_of(const std::vector<SpkSegment>& segments) {
    const auto coverage = common_contiguous_coverage(segments);
    return coverage ? "ok" : coverage.error().message();
}

TEST(CommonContiguousCoverage, IntersectsTargetsAndJoinsTouchingSegments) {
    // Target 3's halves are listed out of order and meet end to start.
    const auto coverage = common_contiguous_coverage({
        segment("emb late", 3, 100, 300),
        segment("sun", 10, -50, 250),
        segment("emb early", 3, 0, 100),
        segment("emb inner", 3, 20, 40),
    });
    ASSERT_TRUE(coverage) << coverage.error().message();
    EXPECT_EQ(coverage->first, 0);
    EXPECT_EQ(coverage->second, 250);
}

TEST(CommonContiguousCoverage, NamesTheTargetWithAGap) {
    EXPECT_EQ(error_of({segment("sun", 10, 0, 300), segment("a", 3, 0, 100), segment("b", 3, 101, 300)}),
              "SPK target 3 has discontinuous segment coverage");
    // A gap is found against the furthest end so far, not the previous segment's.
    EXPECT_EQ(error_of({segment("a", 3, 0, 200), segment("b", 3, 50, 60), segment("c", 3, 150, 300)}), "ok");
}

TEST(CommonContiguousCoverage, RefusesNoCommonIntervalButAcceptsAnInstant) {
    EXPECT_EQ(error_of({segment("mercury", 1, 0, 100), segment("venus", 2, 101, 200)}),
              "SPK targets have no common coverage interval");
    const auto instant = common_contiguous_coverage({segment("mercury", 1, 0, 100), segment("venus", 2, 100, 200)});
    ASSERT_TRUE(instant);
    EXPECT_EQ(instant->first, 100);
    EXPECT_EQ(instant->second, 100);
    EXPECT_EQ(error_of({}), "SPK kernel has no segments");
}

}  // namespace
}  // namespace orbyx
