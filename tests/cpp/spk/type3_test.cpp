#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "spk/barycentric_state.hpp"
#include "spk/batch_barycentric.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/spk_test_support.hpp"
#include "spk/type2.hpp"

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::string type3_reason(const SpkError& error) {
    const std::string prefix = "invalid SPK Type 3 segment: ";
    const std::string text = error.message();
    return text.starts_with(prefix) ? text.substr(prefix.size()) : "not a Type 3 error: " + text;
}

// MID, RADIUS, then X, Y, Z and VX, VY, VZ with n coefficients each.
std::vector<double> type3_record(double mid, double radius, const std::vector<std::vector<double>>& series) {
    std::vector<double> words{mid, radius};
    for (const auto& one : series) words.insert(words.end(), one.begin(), one.end());
    return words;
}

TEST(Type3Directory, WantsSixEqualCoefficientSets) {
    const auto reason = [](std::array<double, 4> words, std::int32_t end) {
        const auto directory = decode_chebyshev_directory(ChebyshevType::Type3, words, 1, end);
        return directory ? "ok" : type3_reason(directory.error());
    };
    EXPECT_EQ(reason({0, 10, 8, 2}, 20), "ok");
    EXPECT_EQ(reason({0, 10, 14, 1}, 18), "ok");
    const std::string unequal = "record size does not describe six equal coefficient sets";
    for (const double size : {2.0, 5.0, 7.0, 11.0, 13.0}) EXPECT_EQ(reason({0, 10, size, 1}, 4 + int(size)), unequal);
    EXPECT_EQ(reason({0, 10, 8, 3}, 20), "directory size does not match the segment address range");
    EXPECT_EQ(reason({0, NaN, 8, 2}, 20), "directory epoch and interval length must be finite and valid");
    EXPECT_EQ(reason({0, 10, 8, 0.5}, 20), "record count");
    // Type 2 takes the size Type 3 refuses.
    EXPECT_TRUE(decode_type2_directory(std::array<double, 4>{0, 10, 11, 1}, 1, 15));
}

// Two records of n = 2 over [0, 20]: X = 100 + k + s, VX = 0.2 (X's true rate), the
// rest zero, so a record boundary shows in the position and not the velocity.
std::vector<double> linear_type3_words() {
    std::vector<double> words;
    for (int k = 0; k < 2; ++k) {
        const auto record = type3_record(10.0 * k + 5, 5, {{100.0 + k, 1}, {0, 0}, {0, 0}, {0.2, 0}, {0, 0}, {0, 0}});
        words.insert(words.end(), record.begin(), record.end());
    }
    words.insert(words.end(), {0, 10, 14, 2});
    return words;
}

class Type3Kernel : public ::testing::Test {
protected:
    // Jupiter's barycentre on Type 3 and, over the same words, a Type 2 summary of target 6.
    void SetUp() override {
        std::vector<test::SegmentData> segments{test::segment_data(5, 0, 0, 20, linear_type3_words(), 3),
                                                test::segment_data(6, 0, 0, 20, linear_type3_words(), 2)};
        test::DafImage image = test::spk_image(segments);
        segment_ = segments[0].summary;
        kernels_.push_back(test::open_kernel(scratch_, "type3.bsp", image));
    }

    test::ScratchDir scratch_;
    SpkSegment segment_;
    std::vector<SpkKernel> kernels_;
};

TEST_F(Type3Kernel, IsUnsupportedUntilTheExtendedTypesAreEnabled) {
    const std::vector<double> epochs{0, 9.5, 10, 20};
    EXPECT_EQ(barycentric_state_across_kernels(kernels_, 5, 3).error().message(), "unsupported SPK segment type 3");
    EXPECT_EQ(barycentric_states_across_kernels(kernels_, 5, epochs).error().message(),
              "unsupported SPK segment type 3");

    kernels_[0].enable_extended_segment_types();
    const auto states = barycentric_states_across_kernels(kernels_, 5, epochs);
    ASSERT_TRUE(states) << states.error().message();
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        const auto single = barycentric_state_across_kernels(kernels_, 5, epochs[i]);
        ASSERT_TRUE(single);
        EXPECT_EQ(single->position, (*states)[i].position) << epochs[i];
        EXPECT_EQ(single->velocity, (*states)[i].velocity) << epochs[i];
        EXPECT_EQ((*states)[i].velocity, (std::array<double, 3>{0.2, 0, 0})) << epochs[i];
    }
    EXPECT_EQ((*states)[1].position[0], 100.9);
    EXPECT_EQ((*states)[2].position[0], 100);  // record 1 starts at 10
    EXPECT_EQ((*states)[3].position[0], 102);
}

// The words read as Type 2 are another segment: RSIZE 14 is four coefficients per
// axis there. Neither reading may meet the other's cached directory or record.
TEST_F(Type3Kernel, KeepsItsCachesApartFromType2OverTheSameWords) {
    kernels_[0].enable_extended_segment_types();
    const auto as_type3 = barycentric_state_across_kernels(kernels_, 5, 12);
    const auto as_type2 = barycentric_state_across_kernels(kernels_, 6, 12);
    ASSERT_TRUE(as_type3 && as_type2);
    EXPECT_EQ(as_type3->velocity[0], 0.2);
    // Read as Type 2, record 1 has X = 101 + T1 as well, but Y = 0.2 T2.
    EXPECT_EQ(as_type2->velocity[0], 0.2);
    EXPECT_EQ(as_type3->position[1], 0);
    EXPECT_NE(as_type2->position[1], 0);
    EXPECT_EQ(barycentric_state_across_kernels(kernels_, 5, 12)->position, as_type3->position);
}

TEST_F(Type3Kernel, RefusesBrokenDirectoriesAndShortSegments) {
    const auto refused = [&](std::vector<double> words, std::int32_t begin, std::int32_t end) {
        std::vector<test::SegmentData> segments{test::segment_data(5, 0, 0, 20, std::move(words), 3)};
        test::DafImage image = test::spk_image(segments);
        SpkKernel kernel = test::open_kernel(scratch_, "broken.bsp", image);
        const std::int32_t first = segments[0].summary.begin_address;
        const auto state = kernel.evaluate_type3_at_epoch(first + begin, first + end, 1);
        return state ? "ok" : type3_reason(state.error());
    };
    std::vector<double> words = linear_type3_words();
    EXPECT_EQ(refused(words, 0, 31), "ok");
    EXPECT_EQ(refused(words, 0, 2), "segment is too short to contain a directory");
    words[words.size() - 2] = 11;  // RSIZE
    EXPECT_EQ(refused(words, 0, 31), "record size does not describe six equal coefficient sets");
    words[words.size() - 2] = 20;
    EXPECT_EQ(refused(words, 0, 31), "directory size does not match the segment address range");
}

}  // namespace
}  // namespace orbyx
