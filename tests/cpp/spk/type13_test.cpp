#include "spk/type13.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "spk/barycentric_state.hpp"
#include "spk/batch_barycentric.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::string type13_reason(const SpkError& error) {
    const std::string prefix = "invalid SPK Type 13 segment: ";
    const std::string text = error.message();
    return text.starts_with(prefix) ? text.substr(prefix.size()) : "not a Type 13 error: " + text;
}

TEST(Type13Trailer, ChecksTheWindowAndTheStateCount) {
    // N states take 7N words, then (N - 1) / 100 directory entries and the trailer.
    const auto reason = [](double window_less_one, double count, std::int32_t words) {
        const auto layout = decode_type13_trailer(std::array{window_less_one, count}, 1, words);
        return layout ? "ok" : type13_reason(layout.error());
    };
    EXPECT_EQ(reason(3, 10, 72), "ok");
    EXPECT_EQ(reason(0, 101, 7 * 101 + 1 + 2), "ok");
    EXPECT_EQ(reason(0, 101, 7 * 101 + 2), "state count does not match the segment address range");
    EXPECT_EQ(reason(-1, 10, 72), "window size");
    EXPECT_EQ(reason(1.5, 10, 72), "window size");
    EXPECT_EQ(reason(3, 0, 2), "state count");
    EXPECT_EQ(reason(3, NaN, 72), "state count");
    EXPECT_EQ(reason(10, 10, 72), "window size exceeds the state count or 32");
    EXPECT_EQ(reason(32, 100, 702), "window size exceeds the state count or 32");
}

TEST(Type13Window, IsCentredOnTheEpochAndStaysWithinTheSegment) {
    const auto first = [](std::uint32_t window, std::uint32_t earlier, double epoch, double before, double after) {
        return type13_window_first(Type13Layout{10, window, 0}, earlier, epoch, before, after);
    };
    // Even windows: as many states after the epoch as at or before it.
    EXPECT_EQ(first(4, 5, 45, 40, 50), 3u);
    EXPECT_EQ(first(4, 1, 5, 0, 10), 0u);
    EXPECT_EQ(first(4, 10, 95, 90, NaN), 6u);
    // Odd windows: centred on the nearest state, the later of two equally near.
    EXPECT_EQ(first(3, 5, 44, 40, 50), 3u);
    EXPECT_EQ(first(3, 5, 46, 40, 50), 4u);
    EXPECT_EQ(first(3, 5, 45, 40, 50), 4u);
    EXPECT_EQ(first(3, 0, -5, NaN, 0), 0u);
    EXPECT_EQ(first(1, 10, 95, 90, NaN), 9u);
}

// x = 1 + 2t - 3t^2 + 0.5t^3 km, y = 4t^2, z = -t: a cubic, which any window of two
// states or more (degree 3 or more) reproduces.
std::array<double, 6> cubic_state(double t) {
    return {1 + 2 * t - 3 * t * t + 0.5 * t * t * t, 4 * t * t, -t, 2 - 6 * t + 1.5 * t * t, 8 * t, -1};
}

// The cubic's states at unequal steps from 0 s, its time counted in hundreds of seconds:
// 250 states make three stretches of epochs.
struct CubicSegment {
    std::vector<double> epochs;
    std::vector<double> words;
};

CubicSegment cubic_segment(std::uint32_t window = 2, std::uint32_t count = 250) {
    CubicSegment segment;
    for (std::uint32_t i = 0; i < count; ++i) segment.epochs.push_back(i + 0.25 * (i % 3));
    for (const double t : segment.epochs) {
        auto state = cubic_state(t / 100);
        for (std::size_t axis = 3; axis < 6; ++axis) state[axis] /= 100;
        segment.words.insert(segment.words.end(), state.begin(), state.end());
    }
    segment.words.insert(segment.words.end(), segment.epochs.begin(), segment.epochs.end());
    for (std::uint32_t k = 99; k + 1 < count; k += 100) segment.words.push_back(segment.epochs[k]);
    segment.words.insert(segment.words.end(), {window - 1.0, static_cast<double>(count)});
    return segment;
}

class Type13Kernel : public ::testing::Test {
protected:
    std::string evaluate(const CubicSegment& data, const std::vector<double>& epochs, bool extended = true) {
        std::vector<test::SegmentData> segments{
            test::segment_data(5, 0, data.epochs.front(), data.epochs.back(), data.words, 13)};
        test::DafImage image = test::spk_image(segments);
        std::vector<SpkKernel> kernels;
        kernels.push_back(test::open_kernel(scratch_, "type13.bsp", image));
        if (extended) kernels[0].enable_extended_segment_types();
        const auto batch = barycentric_states_across_kernels(kernels, 5, epochs);
        if (!batch) return type13_reason(batch.error());
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const auto single = barycentric_state_across_kernels(kernels, 5, epochs[i]);
            if (!single || single->position != (*batch)[i].position || single->velocity != (*batch)[i].velocity) {
                return "a single epoch differs from the batch";
            }
            const auto expected = cubic_state(epochs[i] / 100);
            const auto near = [](double got, double want) { return std::abs(got - want) <= 1e-9 * (std::abs(want) + 1); };
            for (std::size_t axis = 0; axis < 3; ++axis) {
                if (!near((*batch)[i].position[axis], expected[axis]) ||
                    !near((*batch)[i].velocity[axis] * 100, expected[axis + 3])) {
                    return "wrong state at " + std::to_string(epochs[i]);
                }
            }
        }
        return "ok";
    }

    test::ScratchDir scratch_;
};

TEST_F(Type13Kernel, FindsEachEpochsWindowAcrossTheStretchesInAnyOrder) {
    const std::vector<double> rising{0, 0.5, 99.7, 100.25, 150, 199.5, 200.5, 248.6, 249};
    EXPECT_EQ(evaluate(cubic_segment(), rising), "ok");
    EXPECT_EQ(evaluate(cubic_segment(3), {249, 0, 120.1, 99.8, 200.4, 12.5, 201.0}), "ok");
    EXPECT_EQ(evaluate(cubic_segment(4, 100), {0, 98.9, 50.5, 50.6, 3}), "ok");
    EXPECT_EQ(evaluate(cubic_segment(), rising, false), "not a Type 13 error: unsupported SPK segment type 13");
}

}  // namespace
}  // namespace orbyx
