#include "spk/barycentric_state.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "spk/batch_barycentric.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::constant_type2_words;
using test::segment_data;
using test::SegmentData;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Primary over [0, 100]: Moon -> EMB (moving at 0.2 km/s in x), EMB -> SSB,
// Sun -> SSB, and a later Sun segment over [40, 60].
std::vector<SegmentData> primary_segments() {
    return {
        segment_data(3, 0, 0, 100, constant_type2_words(0, 100, 100, 200, 300)),
        segment_data(301, 3, 0, 100,
                     test::type2_segment_words(0, 100, {test::type2_record(50, 50, {1, 10}, {2, 0}, {3, 0})})),
        segment_data(10, 0, 0, 100, constant_type2_words(0, 100, 5, 5, 5)),
        segment_data(10, 0, 40, 60, constant_type2_words(40, 60, 6, 6, 6)),
        segment_data(499, 4, 0, 100, constant_type2_words(0, 100, 1, 1, 1)),
        segment_data(55, 55, 0, 100, constant_type2_words(0, 100, 1, 1, 1)),
        segment_data(599, 5, 0, 100, constant_type2_words(0, 100, 1, 1, 1), 3),
    };
}

// Attached over [0, 200]: Pluto through its barycentre, and another EMB.
std::vector<SegmentData> attached_segments() {
    return {
        segment_data(9, 0, 0, 200, constant_type2_words(0, 200, 1000, 0, 0)),
        segment_data(999, 9, 0, 200, constant_type2_words(0, 200, 1, 1, 1)),
        segment_data(3, 0, 0, 200, constant_type2_words(0, 200, 7, 7, 7)),
    };
}

enum class Walk { Single, BatchOfOne };

// Every chain rule holds alike for the single walk and for a batch of one epoch.
class CenterChains : public ::testing::TestWithParam<Walk> {
protected:
    void SetUp() override {
        auto primary = primary_segments();
        auto attached = attached_segments();
        test::DafImage primary_image = test::spk_image(primary);
        test::DafImage attached_image = test::spk_image(attached);
        kernels_.push_back(test::open_kernel(scratch_, "primary.bsp", primary_image));
        kernels_.push_back(test::open_kernel(scratch_, "attached.bsp", attached_image));
    }

    Result<StateVector, SpkError> state(std::int32_t target, double epoch) {
        if (GetParam() == Walk::Single) return barycentric_state_across_kernels(kernels_, target, epoch);
        auto states = barycentric_states_across_kernels(kernels_, target, std::vector<double>{epoch});
        if (!states) return failure(std::move(states).error());
        return states->at(0);
    }

    std::array<double, 3> position(std::int32_t target, double epoch) {
        const auto found = state(target, epoch);
        if (!found) {
            ADD_FAILURE() << found.error().message();
            return {NaN, NaN, NaN};
        }
        return found->position;
    }

    std::string error(std::int32_t target, double epoch) {
        const auto found = state(target, epoch);
        return found ? "ok" : found.error().message();
    }

    test::ScratchDir scratch_;
    std::vector<SpkKernel> kernels_;
};

TEST_P(CenterChains, SumsTheLinksToTheBarycentre) {
    const auto moon = state(301, 75);
    ASSERT_TRUE(moon) << moon.error().message();
    EXPECT_EQ(moon->position, (std::array<double, 3>{106, 202, 303}));
    EXPECT_EQ(moon->velocity, (std::array<double, 3>{0.2, 0, 0}));
    EXPECT_EQ(position(3, 100), (std::array<double, 3>{100, 200, 300}));  // end bound inclusive
    EXPECT_EQ(position(3, 0), (std::array<double, 3>{100, 200, 300}));
}

TEST_P(CenterChains, AttachedKernelsFillOnlyWhatThePrimaryLacks) {
    EXPECT_EQ(position(999, 50), (std::array<double, 3>{1001, 1, 1}));
    EXPECT_EQ(position(3, 50), (std::array<double, 3>{100, 200, 300}));
    EXPECT_EQ(position(3, 150), (std::array<double, 3>{7, 7, 7}));
    EXPECT_EQ(error(301, 150), "no SPK segment continues the center chain from target 301 at TDB epoch 150");
}

TEST_P(CenterChains, LaterSegmentsWinWhereTheyOverlap) {
    EXPECT_EQ(position(10, 39.5), (std::array<double, 3>{5, 5, 5}));
    EXPECT_EQ(position(10, 40), (std::array<double, 3>{6, 6, 6}));
    EXPECT_EQ(position(10, 60), (std::array<double, 3>{6, 6, 6}));
    EXPECT_EQ(position(10, 60.5), (std::array<double, 3>{5, 5, 5}));
}

TEST_P(CenterChains, ReportsWhereTheChainFails) {
    EXPECT_EQ(error(499, 50), "no SPK segment continues the center chain from target 4 at TDB epoch 50");
    EXPECT_EQ(error(55, 50), "SPK center chain for target 55 contains a cycle");
    EXPECT_EQ(error(599, 50), "unsupported SPK segment type 3");
    EXPECT_EQ(error(301, NaN), "no SPK segment continues the center chain from target 301 at TDB epoch NaN");
    EXPECT_EQ(error(301, -0.5), "no SPK segment continues the center chain from target 301 at TDB epoch -0.5");
}

TEST_P(CenterChains, KernelsAreWalkedOnlyWhenReached) {
    // A third kernel whose summary layout cannot be read.
    std::vector<SegmentData> none;
    test::DafImage unreadable = test::spk_image(none);
    unreadable.put_u32(12, 5);
    kernels_.push_back(test::open_kernel(scratch_, "unreadable.bsp", unreadable));
    EXPECT_EQ(error(999, 50), "ok");
    EXPECT_EQ(error(299, 50), "unsupported SPK summary layout ND=2, NI=5");
    EXPECT_EQ(error(0, NaN), "ok");

    std::vector<SpkKernel> only_unreadable;
    only_unreadable.push_back(std::move(kernels_.back()));
    kernels_ = std::move(only_unreadable);
    const auto barycentre = state(0, 50);
    ASSERT_TRUE(barycentre);
    EXPECT_EQ(barycentre->position, (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(barycentre->velocity, (std::array<double, 3>{0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(SingleAndBatch, CenterChains, ::testing::Values(Walk::Single, Walk::BatchOfOne));

TEST(CenterChains, ChainsTheSegmentsFromDifferentKernels) {
    test::ScratchDir scratch;
    // EMB -> SSB only from a second kernel.
    auto primary = primary_segments();
    primary.erase(primary.begin());
    std::vector<SegmentData> barycentre{segment_data(3, 0, 0, 100, constant_type2_words(0, 100, 10, 20, 30))};
    test::DafImage without_emb = test::spk_image(primary);
    test::DafImage emb = test::spk_image(barycentre);
    std::vector<SpkKernel> split;
    split.push_back(test::open_kernel(scratch, "moon.bsp", without_emb));
    split.push_back(test::open_kernel(scratch, "emb.bsp", emb));
    const auto moon = barycentric_state_across_kernels(split, 301, 50);
    ASSERT_TRUE(moon) << moon.error().message();
    EXPECT_EQ(moon->position, (std::array<double, 3>{11, 22, 33}));
}

TEST(TargetAndCenter, IdenticalIdsAreRefused) {
    EXPECT_TRUE(reject_identical_target_and_center(301, 399));
    const auto refused = reject_identical_target_and_center(399, 399);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind(), EphemerisError::Kind::InvalidRequest);
    EXPECT_EQ(refused.error().message(), "spherical coordinates are undefined when target and origin are identical");
}

}  // namespace
}  // namespace orbyx
