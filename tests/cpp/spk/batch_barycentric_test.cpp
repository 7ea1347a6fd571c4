#include "spk/batch_barycentric.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "spk/barycentric_state.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::constant_type2_words;
using test::segment_data;
using test::SegmentData;
using test::type2_record;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t CONSTANT_SEGMENT_READ = TYPE2_DIRECTORY_WORDS + 5;
constexpr std::uint64_t MOON_SEGMENT_READ = TYPE2_DIRECTORY_WORDS + 8;

// Ten records of RSIZE 8 over [0, 100]; record k holds X = k + s, Y = 2s, Z = -k.
std::vector<double> moon_words() {
    std::vector<std::vector<double>> records;
    for (int k = 0; k < 10; ++k) records.push_back(type2_record(10 * k + 5, 5, {1.0 * k, 1}, {0, 2}, {-1.0 * k, 0}));
    return test::type2_segment_words(0, 10, records);
}

// Primary: EMB in two segments meeting at 50, the Moon over [0, 100], the Sun over
// [0, 200], body 302 whose second record is broken and whose centre has no segment,
// and body 55 centred on itself.
// Attached: EMB about the Sun and the Moon over [0, 200], used after 100.
class BatchBarycentric : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<SegmentData> primary{
            segment_data(3, 0, 0, 50, constant_type2_words(0, 50, 100, 200, 300)),
            segment_data(3, 0, 50, 100, constant_type2_words(50, 100, 400, 500, 600)),
            segment_data(301, 3, 0, 100, moon_words()),
            segment_data(10, 0, 0, 200, constant_type2_words(0, 200, 5, 6, 7)),
            segment_data(302, 4, 0, 20,
                         test::type2_segment_words(0, 10, {type2_record(5, 5, {1}, {1}, {1}),
                                                           type2_record(15, 0, {1}, {1}, {1})})),
            segment_data(55, 55, 0, 100, constant_type2_words(0, 100, 1, 1, 1)),
        };
        std::vector<SegmentData> attached{
            segment_data(3, 10, 0, 200, constant_type2_words(0, 200, 1, 1, 1)),
            segment_data(301, 3, 0, 200, constant_type2_words(0, 200, 0.5, 0.25, 0.125)),
        };
        test::DafImage primary_image = test::spk_image(primary);
        test::DafImage attached_image = test::spk_image(attached);
        kernels_.push_back(test::open_kernel(scratch_, "primary.bsp", primary_image));
        kernels_.push_back(test::open_kernel(scratch_, "attached.bsp", attached_image));
    }

    std::string error(std::int32_t target, const std::vector<double>& epochs) {
        const auto states = barycentric_states_across_kernels(kernels_, target, epochs);
        return states ? "ok" : states.error().message();
    }

    // The batch against one walk per epoch, bit for bit.
    void expect_single_walks(std::int32_t target, const std::vector<double>& epochs) {
        const auto states = barycentric_states_across_kernels(kernels_, target, epochs);
        ASSERT_TRUE(states) << states.error().message();
        ASSERT_EQ(states->size(), epochs.size());
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const auto single = barycentric_state_across_kernels(kernels_, target, epochs[i]);
            ASSERT_TRUE(single) << single.error().message();
            EXPECT_EQ((*states)[i].position, single->position) << target << " at " << epochs[i];
            EXPECT_EQ((*states)[i].velocity, single->velocity) << target << " at " << epochs[i];
        }
    }

    test::ScratchDir scratch_;
    std::vector<SpkKernel> kernels_;
};

TEST_F(BatchBarycentric, EmptyListsAndTheBarycentreNeedNoKernel) {
    std::vector<SpkKernel> none;
    EXPECT_TRUE(barycentric_states_across_kernels(none, 301, {})->empty());
    const auto zeros = barycentric_states_across_kernels(none, 0, std::vector<double>{NaN, 5, NaN});
    ASSERT_TRUE(zeros);
    ASSERT_EQ(zeros->size(), 3u);
    for (const auto& state : *zeros) {
        EXPECT_EQ(state.position, (std::array<double, 3>{0, 0, 0}));
        EXPECT_EQ(state.velocity, (std::array<double, 3>{0, 0, 0}));
    }
}

TEST_F(BatchBarycentric, StraddlingEpochsComeBackInInputOrder) {
    const std::vector<double> epochs{10, 60, 50, 20, 70};
    const auto states = barycentric_states_across_kernels(kernels_, 3, epochs);
    ASSERT_TRUE(states) << states.error().message();
    const std::array<double, 3> first{100, 200, 300}, second{400, 500, 600};
    const std::vector<std::array<double, 3>> expected{first, second, second, first, second};
    for (std::size_t i = 0; i < epochs.size(); ++i) EXPECT_EQ((*states)[i].position, expected[i]) << epochs[i];
    EXPECT_EQ(kernels_[0].words_read(), 2 * CONSTANT_SEGMENT_READ);
}

TEST_F(BatchBarycentric, ChainsOfDifferentLengthsMatchSingleWalks) {
    // After 100 the Moon and EMB come from the attached kernel, and EMB is centred on the Sun.
    const std::vector<double> epochs{50, 150, 75.25, 199, 0, 100, 120.5, 33.3, 100.001};
    for (const std::int32_t target : {301, 3, 10}) expect_single_walks(target, epochs);
    const auto moon = barycentric_states_across_kernels(kernels_, 301, std::vector<double>{150});
    ASSERT_TRUE(moon);
    EXPECT_EQ((*moon)[0].position, (std::array<double, 3>{6.5, 7.25, 8.125}));
}

TEST_F(BatchBarycentric, ManyEpochsInOneRecordReadEachLinkOnce) {
    std::vector<double> epochs;
    for (int i = 0; i < 1000; ++i) epochs.push_back(20 + i * 0.005);
    expect_single_walks(301, epochs);
    SpkKernel& primary = kernels_[0];
    const std::uint64_t read = primary.words_read();
    EXPECT_EQ(read, MOON_SEGMENT_READ + CONSTANT_SEGMENT_READ);
    ASSERT_TRUE(barycentric_states_across_kernels(kernels_, 301, epochs));
    EXPECT_EQ(primary.words_read(), read);
    EXPECT_EQ(kernels_[1].words_read(), 0u);
}

TEST_F(BatchBarycentric, SelectionFailuresComeFirstLowestPositionFirst) {
    EXPECT_EQ(error(301, {10, 20, NaN, 30}),
              "no SPK segment continues the center chain from target 301 at TDB epoch NaN");
    // Epoch 2 falls in the broken record; epoch 7 has no segment.
    EXPECT_EQ(error(302, {1, 2, 15, 3, 4, 5, 6, 250}),
              "no SPK segment continues the center chain from target 302 at TDB epoch 250");
    EXPECT_EQ(error(302, {1, 250, 2, -1}),
              "no SPK segment continues the center chain from target 302 at TDB epoch 250");
    EXPECT_EQ(error(302, {1, 2, 15}),
              "invalid SPK Type 2 segment: record midpoint and radius must be finite and valid");
    // Without the broken record the chain breaks one sweep later, at the centre.
    EXPECT_EQ(error(302, {1, 2}), "no SPK segment continues the center chain from target 4 at TDB epoch 1");
    EXPECT_EQ(error(55, {1, 2}), "SPK center chain for target 55 contains a cycle");
}

// Long lists in increasing order are swept in blocks; the failure reported is still
// the one the sweeps over the whole list meet first.
TEST_F(BatchBarycentric, LongRisingListsReportTheFirstFailureOfTheWholeList) {
    std::vector<double> epochs;
    for (int i = 0; i < 1000; ++i) epochs.push_back(i * 0.005);
    // The centre of 302 has no segment (second sweep, first epoch); the last
    // epoch has no segment for 302 itself (first sweep).
    epochs.push_back(250);
    EXPECT_EQ(error(302, epochs), "no SPK segment continues the center chain from target 302 at TDB epoch 250");
    epochs.pop_back();
    EXPECT_EQ(error(302, epochs), "no SPK segment continues the center chain from target 4 at TDB epoch 0");
    // Epochs from 10 on fall in the record with radius 0: found in the first sweep.
    for (int i = 0; i < 1000; ++i) epochs.push_back(5 + i * 0.01);
    std::sort(epochs.begin(), epochs.end());
    EXPECT_EQ(error(302, epochs),
              "invalid SPK Type 2 segment: record midpoint and radius must be finite and valid");
}

TEST_F(BatchBarycentric, LongRisingListsMatchSingleWalks) {
    std::vector<double> epochs;
    for (int i = 0; i <= 2000; ++i) epochs.push_back(i * 0.1);
    expect_single_walks(3, epochs);
    expect_single_walks(10, epochs);
    epochs.resize(1001);  // the Moon of the primary kernel ends at 100
    expect_single_walks(301, epochs);
}

}  // namespace
}  // namespace orbyx
