#include "spk/mda_record.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace orbyx {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::string reason_of(const SpkError& error, std::int32_t data_type) {
    const std::string prefix = "invalid SPK Type " + std::to_string(data_type) + " segment: ";
    const std::string text = error.message();
    return text.starts_with(prefix) ? text.substr(prefix.size()) : "not that type's error: " + text;
}

TEST(MdaTrailer, ChecksMaxdimAndTheRecordCountAgainstTheLength) {
    const auto reason = [](std::int32_t type, std::vector<double> trailer, std::int64_t words) {
        const auto layout = decode_mda_trailer(type, trailer, 1, static_cast<std::int32_t>(words));
        return layout ? "ok" : reason_of(layout.error(), type);
    };
    // N records of 4 MAXDIM + 11 words, N epochs, N / 100 entries, then the trailer.
    EXPECT_EQ(reason(1, {99}, 72 * 99 + 1), "ok");
    EXPECT_EQ(reason(1, {100}, 72 * 100 + 1 + 1), "ok");
    EXPECT_EQ(reason(1, {100}, 72 * 100 + 1), "record count does not match the segment address range");
    EXPECT_EQ(reason(21, {25, 200}, 112 * 200 + 2 + 2), "ok");
    EXPECT_EQ(reason(21, {1, 3}, 16 * 3 + 2), "ok");
    EXPECT_EQ(reason(21, {26, 3}, 116 * 3 + 2), "difference line size MAXDIM must be an integer from 1 to 25");
    EXPECT_EQ(reason(21, {15.5, 3}, 72 * 3 + 2), "difference line size MAXDIM must be an integer from 1 to 25");
    EXPECT_EQ(reason(21, {0, 3}, 12 * 3 + 2), "difference line size MAXDIM must be an integer from 1 to 25");
    EXPECT_EQ(reason(1, {0}, 1), "record count");
    EXPECT_EQ(reason(21, {15, NaN}, 2), "record count");
}

// One record of MAXDIM 4 ending at TL = 1000 s, accelerations a(s) = c0 + c1 s + c2 s^2
// (km/s^2) on x, a line on y and a constant on z, in modified differences over steps
// G = (30, 70, ...): P_2 = s / G1, P_3 = s (s + G1) / (G1 G2).
constexpr double TL = 1000, G1 = 30, G2 = 70, C0 = 2e-6, C1 = -3e-9, C2 = 5e-12;

std::vector<double> record_words(std::array<double, 3> orders = {3, 2, 1}, double kqmax1 = 4) {
    const double dt3 = C2 * G1 * G2;
    const double dt2 = G1 * (C1 - C2 * G1);
    return {TL, G1, G2, 90, 0,  // TL, G(1 ... 4)
            4e8, 20, -1e8, -5, 3e7, 0.5,  // x, vx, y, vy, z, vz
            C0, dt2, dt3, 0, C0, C1 * G1, 0, 0, C0, 0, 0, 0,  // DT(4, 3)
            kqmax1, orders[0], orders[1], orders[2]};
}

constexpr MdaLayout LAYOUT{21, 4, 1, 0};

TEST(MdaRecord, IntegratesTheModifiedDifferencesTwice) {
    const auto record = decode_mda_record(LAYOUT, record_words(), TL);
    ASSERT_TRUE(record);
    const std::vector<double> epochs{TL, TL - 17.5, TL - 100};
    std::vector<StateVector> states(epochs.size());
    evaluate_mda_record(*record, epochs, states);
    for (std::size_t e = 0; e < epochs.size(); ++e) {
        const double s = epochs[e] - TL;
        const std::array<double, 3> x{4e8 + 20 * s + C0 * s * s / 2 + C1 * s * s * s / 6 + C2 * s * s * s * s / 12,
                                      -1e8 - 5 * s + C0 * s * s / 2 + C1 * s * s * s / 6,
                                      3e7 + 0.5 * s + C0 * s * s / 2};
        const std::array<double, 3> v{20 + C0 * s + C1 * s * s / 2 + C2 * s * s * s / 3, -5 + C0 * s + C1 * s * s / 2,
                                      0.5 + C0 * s};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(states[e].position[axis], x[axis], 1e-7) << e << " " << axis;
            EXPECT_NEAR(states[e].velocity[axis], v[axis], 1e-13) << e << " " << axis;
        }
    }
}

TEST(MdaRecord, RefusesWhatCannotBeEvaluated) {
    const auto reason = [](std::vector<double> words, double listed = TL, MdaLayout layout = LAYOUT) {
        const auto record = decode_mda_record(layout, words, listed);
        return record ? "ok" : reason_of(record.error(), layout.data_type);
    };
    auto with = [](std::size_t word, double value, std::vector<double> words = record_words()) {
        words[word] = value;
        return words;
    };
    EXPECT_EQ(reason(record_words(), TL + 1), "record's final epoch does not match the epoch list");
    EXPECT_EQ(reason(with(15, NaN)), "record words must be finite");
    EXPECT_EQ(reason(with(2, 0)), "step sizes must be nonzero");
    EXPECT_EQ(reason(with(3, 0)), "ok");  // G(3) is beyond KQMAX1 - 2
    EXPECT_EQ(reason(with(3, 0, record_words({3, 2, 1}, 5))), "step sizes must be nonzero");
    EXPECT_EQ(reason(record_words({3, 2, 1}, 6)), "KQMAX1 must be an integer from 2 to 5");
    EXPECT_EQ(reason(record_words({1, 1, 1}, 1)), "KQMAX1 must be an integer from 2 to 5");
    EXPECT_EQ(reason(record_words({3, 2, 1}, 3.5)), "KQMAX1 must be an integer from 2 to 5");
    EXPECT_EQ(reason(record_words({3, 4, 1}, 4)), "integration orders KQ must be integers from 0 to KQMAX1 - 1");
    EXPECT_EQ(reason(record_words({3, -1, 1}, 4)), "integration orders KQ must be integers from 0 to KQMAX1 - 1");
    EXPECT_EQ(reason(record_words({3, 2, 1.5}, 4)), "integration orders KQ must be integers from 0 to KQMAX1 - 1");
    EXPECT_EQ(reason(record_words({3, 0, 1}, 4)), "ok");
    // Type 1 stops at KQMAX1 15 though its records hold 15 differences.
    std::vector<double> type1(71, 1.0);
    type1[0] = TL;
    type1[67] = 16;
    EXPECT_EQ(reason(type1, TL, MdaLayout{1, 15, 1, 0}), "KQMAX1 must be an integer from 2 to 15");
    type1[67] = 15;
    EXPECT_EQ(reason(type1, TL, MdaLayout{1, 15, 1, 0}), "ok");
}

}  // namespace
}  // namespace orbyx
