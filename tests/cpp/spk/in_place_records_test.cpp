// Chebyshev records of rising epochs are evaluated in place where the kernel is mapped
// and little-endian, and copied out of the file otherwise: both ways give the same bits
// and fail with the same errors.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "spk/spk_kernel.hpp"
#include "spk/spk_test_support.hpp"
#include "spk/type2.hpp"

namespace orbyx {
namespace {

constexpr int RECORDS = 40;
constexpr std::uint32_t COEFFICIENTS = 7;  // per series
constexpr std::size_t DAMAGED_RECORD = 17;

// Records of 10 s from 0 on with decaying random coefficients; Type 3 has six series.
std::vector<double> segment_words(ChebyshevType type) {
    const std::uint32_t series = type == ChebyshevType::Type2 ? 3 : 6;
    const std::uint32_t record_size = 2 + series * COEFFICIENTS;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::vector<double> words;
    for (int k = 0; k < RECORDS; ++k) {
        words.insert(words.end(), {10.0 * k + 5, 5});
        for (std::uint32_t i = 0; i < series * COEFFICIENTS; ++i) {
            words.push_back(unit(random) * 1e6 / (1 << (i % COEFFICIENTS)));
        }
    }
    words.insert(words.end(), {0, 10, static_cast<double>(record_size), RECORDS});
    return words;
}

class InPlaceRecords : public ::testing::TestWithParam<ChebyshevType> {
protected:
    // Each state's bits, or the error.
    std::string outcome(const std::vector<double>& words, bool big_endian, KernelSourceMode mode) {
        std::vector<test::SegmentData> segments{
            test::segment_data(3, 0, 0, 10.0 * RECORDS, words, static_cast<std::int32_t>(GetParam()))};
        test::DafImage image = test::spk_image(segments, big_endian);
        const std::string path = scratch_.write(big_endian ? "big.bsp" : "little.bsp", image.bytes());
        auto kernel = SpkKernel::open(path, mode).value();
        const std::int32_t begin = segments[0].summary.begin_address, end = segments[0].summary.end_address;
        std::vector<double> epochs;
        for (double epoch = 0; epoch <= 10.0 * RECORDS; epoch += 1.7) epochs.push_back(epoch);
        std::vector<StateVector> states(epochs.size());
        const auto done = GetParam() == ChebyshevType::Type2
                              ? kernel.evaluate_type2_at_epochs_into(begin, end, epochs, states)
                              : kernel.evaluate_type3_at_epochs_into(begin, end, epochs, states);
        if (!done) return done.error().message();
        std::string bits;
        for (const StateVector& state : states) {
            for (const auto* part : {&state.position, &state.velocity}) {
                for (const double value : *part) bits += std::to_string(std::bit_cast<std::uint64_t>(value)) + " ";
            }
        }
        return bits;
    }

    // The outcome in place, checked against the three copying forms.
    std::string same_outcome_every_way(const std::vector<double>& words) {
        const std::string in_place = outcome(words, false, KernelSourceMode::MapIfPossible);
        EXPECT_EQ(outcome(words, false, KernelSourceMode::PositionedReads), in_place);
        EXPECT_EQ(outcome(words, true, KernelSourceMode::MapIfPossible), in_place);
        EXPECT_EQ(outcome(words, true, KernelSourceMode::PositionedReads), in_place);
        return in_place;
    }

    test::ScratchDir scratch_;
};

TEST_P(InPlaceRecords, GiveTheBitsAndErrorsOfCopiedRecords) {
    const std::vector<double> words = segment_words(GetParam());
    const std::size_t record_size = static_cast<std::size_t>(words[words.size() - 2]);
    const std::size_t damaged = DAMAGED_RECORD * record_size;
    const std::string kind = "invalid SPK Type " + std::to_string(static_cast<int>(GetParam())) + " segment: ";
    EXPECT_EQ(same_outcome_every_way(words).find("invalid"), std::string::npos);

    const auto damage = [&](const std::function<void(std::vector<double>&)>& change) {
        std::vector<double> changed = words;
        change(changed);
        return same_outcome_every_way(changed);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(damage([&](auto& w) { w[damaged + record_size - 1] = nan; }),
              kind + "Chebyshev coefficients and argument must be finite");
    EXPECT_EQ(damage([&](auto& w) { w[damaged + 1] = 0; }), kind + "record midpoint and radius must be finite and valid");
    EXPECT_EQ(damage([&](auto& w) { w[damaged] = 5; }), kind + "selected record does not cover the requested epoch");
}

INSTANTIATE_TEST_SUITE_P(BothTypes, InPlaceRecords, ::testing::Values(ChebyshevType::Type2, ChebyshevType::Type3),
                         [](const auto& info) { return "Type" + std::to_string(static_cast<int>(info.param)); });

}  // namespace
}  // namespace orbyx
