#include "spk/position_block.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "spk/output_frame.hpp"

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::vector<CartesianState> random_states(std::size_t count) {
    std::mt19937_64 random(3);
    std::normal_distribution<double> normal;
    std::vector<CartesianState> states;
    for (std::size_t i = 0; i < count; ++i) {
        states.push_back({{normal(random) * 1e8, normal(random) * 1e8, normal(random) * 1e7},
                          {normal(random) * 30, normal(random) * 30, normal(random) * 3}});
    }
    return states;
}

std::vector<OutputFrame> every_kind_of_frame() {
    std::vector<OutputFrame> frames;
    for (const auto axes : {CoordinateSystem::Ecliptic, CoordinateSystem::Equatorial}) {
        PositionOptions options{{OriginKind::Geocentric}, axes, ReferenceEpoch::J2000};
        frames.push_back(output_frame(options, 2460000.5));
        options.reference_epoch = ReferenceEpoch::OfDate;
        options.corrections.precession = true;
        frames.push_back(output_frame(options, 2460000.5));
        options.corrections.nutation = true;
        frames.push_back(output_frame(options, 2440000.5));
    }
    return frames;
}

void expect_same_bits(const Position& block, const Position& alone, std::size_t index) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(block.longitude_deg), std::bit_cast<std::uint64_t>(alone.longitude_deg))
        << index;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(block.latitude_deg), std::bit_cast<std::uint64_t>(alone.latitude_deg))
        << index;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(block.distance_au), std::bit_cast<std::uint64_t>(alone.distance_au))
        << index;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(block.longitude_speed_deg_per_day),
              std::bit_cast<std::uint64_t>(alone.longitude_speed_deg_per_day))
        << index;
}

// Queues `states`, frames taken in turn from `frames`, and converts them.
std::size_t convert(const std::vector<CartesianState>& states, const std::vector<OutputFrame>& frames,
                    std::array<Position, PositionBlock::CAPACITY>& positions) {
    PositionBlock block;
    for (std::size_t i = 0; i < states.size(); ++i) block.add(states[i], frames[i % frames.size()]);
    EXPECT_EQ(block.size(), states.size());
    return block.convert(positions);
}

TEST(PositionBlock, FullAndPartialBlocksGiveTheBitsOfPositionFromState) {
    const std::vector<OutputFrame> frames = every_kind_of_frame();
    for (const std::size_t count : {PositionBlock::CAPACITY, std::size_t{37}, std::size_t{1}}) {
        const std::vector<CartesianState> states = random_states(count);
        std::array<Position, PositionBlock::CAPACITY> positions;
        ASSERT_EQ(convert(states, frames, positions), count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto alone = position_from_state(states[i], frames[i % frames.size()]);
            ASSERT_TRUE(alone);
            expect_same_bits(positions[i], *alone, i);
        }
    }
}

// The block stops at the first state position_from_state rejects, having converted
// those before it.
TEST(PositionBlock, StopsAtTheFirstRejectedState) {
    const std::vector<OutputFrame> frames = every_kind_of_frame();
    const double huge = std::numeric_limits<double>::max() / 1.2;
    const std::vector<CartesianState> rejected{
        {{0, 0, 1e8}, {1, 2, 3}},  // on the z axis of the kernel frame
        {{0, 0, 0}, {1, 2, 3}},    // at the origin
        {{1e8, 1e8, 1e8}, {1, NaN, 3}},
        {{1e8, huge, huge}, {1, 2, 3}},  // finite, but not once turned onto the J2000 ecliptic
    };
    std::size_t cases = 0;
    for (const OutputFrame& frame : frames) {
        for (const CartesianState& bad : rejected) {
            if (position_from_state(bad, frame)) continue;  // off the axis in these axes
            std::vector<CartesianState> states = random_states(20);
            states[13] = bad;
            states[17] = {{NaN, 0, 0}, {0, 0, 0}};
            std::array<Position, PositionBlock::CAPACITY> positions;
            ASSERT_EQ(convert(states, {frame}, positions), 13u);
            for (std::size_t i = 0; i < 13; ++i) {
                expect_same_bits(positions[i], *position_from_state(states[i], frame), i);
            }
            ++cases;
        }
    }
    // The origin and the NaN in every frame, the axis at least in the kernel's own, the
    // overflow at least on the J2000 ecliptic.
    EXPECT_GE(cases, 2 * frames.size() + 2);
}

}  // namespace
}  // namespace orbyx
