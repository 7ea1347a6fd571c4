#include "spk/chebyshev_lanes.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace orbyx {
namespace {

constexpr std::size_t EPOCHS = 8;

// A record of `n` coefficients per axis over [MID - RADIUS, MID + RADIUS], and eight
// epochs in it (one of them outside when `outside` is set).
struct Case {
    std::vector<double> record;
    std::uint32_t n;
    double epochs[EPOCHS];
};

Case random_case(std::mt19937_64& random, std::uint32_t n, bool outside) {
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> argument(-1, 1);
    Case c{{6.0e8 + normal(random) * 1e7, 345600}, n, {}};
    for (std::uint32_t i = 0; i < 3 * n; ++i) c.record.push_back(normal(random) * 1e8 / (1 + i % n));
    for (double& epoch : c.epochs) epoch = c.record[0] + argument(random) * c.record[1];
    if (outside) c.epochs[5] = c.record[0] + 1.5 * c.record[1];
    return c;
}

using States = std::vector<StateVector>;

template <class Lanes, std::size_t GROUPS>
[[gnu::always_inline]] inline bool evaluate(const Case& c, States& states) {
    constexpr std::size_t PER_PASS = GROUPS * LANE_COUNT<Lanes>;
    states.assign(EPOCHS, StateVector{});
    bool covered = true;
    for (std::size_t first = 0; first < EPOCHS; first += PER_PASS) {
        covered &= chebyshev_groups<Lanes, GROUPS>(c.record.data(), c.n, c.epochs + first, PER_PASS, &states[first]);
    }
    return covered;
}

bool one_pair(const Case& c, States& states) { return evaluate<Pair, 1>(c, states); }
bool four_pairs(const Case& c, States& states) { return evaluate<Pair, 4>(c, states); }
ORBYX_QUAD_TARGET bool one_quad(const Case& c, States& states) { return evaluate<Quad, 1>(c, states); }
ORBYX_QUAD_TARGET bool two_quads(const Case& c, States& states) { return evaluate<Quad, 2>(c, states); }

void expect_same_bits(const States& actual, const States& expected, const char* width) {
    for (std::size_t i = 0; i < EPOCHS; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(actual[i].position[axis]),
                      std::bit_cast<std::uint64_t>(expected[i].position[axis]))
                << width << " epoch " << i << " axis " << axis;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(actual[i].velocity[axis]),
                      std::bit_cast<std::uint64_t>(expected[i].velocity[axis]))
                << width << " epoch " << i << " axis " << axis;
        }
    }
}

// However many lanes and groups a pass holds, every epoch gets the same bits, and an
// argument outside [-1, 1] is reported.
TEST(ChebyshevLanes, EveryWidthGivesTheSameBits) {
    std::mt19937_64 random(5);
    for (const std::uint32_t n : {1u, 2u, 3u, 6u, 13u, 18u}) {
        for (const bool outside : {false, true}) {
            const Case c = random_case(random, n, outside);
            States expected, actual;
            EXPECT_EQ(one_pair(c, expected), !outside);
            EXPECT_EQ(four_pairs(c, actual), !outside);
            expect_same_bits(actual, expected, "four pairs");
            if (quads_are_native()) {
                EXPECT_EQ(one_quad(c, actual), !outside);
                expect_same_bits(actual, expected, "one quad");
                EXPECT_EQ(two_quads(c, actual), !outside);
                expect_same_bits(actual, expected, "two quads");
            }
        }
    }
}

}  // namespace
}  // namespace orbyx
