#include "spk/type2.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "spk/spk_kernel.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::type2_record;
using test::type2_segment_words;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

std::string type2_reason(const SpkError& error) {
    const std::string prefix = "invalid SPK Type 2 segment: ";
    const std::string text = error.message();
    return text.starts_with(prefix) ? text.substr(prefix.size()) : "not a Type 2 error: " + text;
}

std::string directory_error(std::array<double, 4> words, std::int32_t begin = 1, std::int32_t end = 14) {
    const auto directory = decode_type2_directory(words, begin, end);
    return directory ? "ok" : type2_reason(directory.error());
}

TEST(Type2Directory, ChecksRunInOrder) {
    // RSIZE 5, N 2: ten record words and the directory.
    EXPECT_EQ(directory_error({0, 10, 5, 2}), "ok");
    EXPECT_EQ(directory_error({NaN, 0, NaN, NaN}), "record size");
    for (const double bad : {0.0, 1.5, 4294967296.0, -5.0, INF}) {
        EXPECT_EQ(directory_error({0, 10, bad, 2}), "record size") << bad;
        EXPECT_EQ(directory_error({NaN, 10, 5, bad}), "record count") << bad;
    }
    const std::string bad_epoch = "directory epoch and interval length must be finite and valid";
    EXPECT_EQ(directory_error({INF, 10, 6, 2}), bad_epoch);
    EXPECT_EQ(directory_error({0, 0, 5, 2}), bad_epoch);
    EXPECT_EQ(directory_error({0, -10, 5, 2}), bad_epoch);
    EXPECT_EQ(directory_error({0, NaN, 5, 2}), bad_epoch);
    const std::string unequal_sets = "record size does not describe three equal coefficient sets";
    for (const double size : {2.0, 4.0, 6.0, 7.0}) {
        EXPECT_EQ(directory_error({0, 10, size, 1 << 30}), unequal_sets) << size;
    }
    // 5 x 858993459 + 4 no longer fits in 32 bits; one record fewer does.
    EXPECT_EQ(directory_error({0, 10, 5, 858993459}), "segment word count overflowed");
    EXPECT_EQ(directory_error({0, 10, 5, 858993458}), "directory size does not match the segment address range");
    EXPECT_EQ(directory_error({0, 10, 5, 3}), "directory size does not match the segment address range");
    EXPECT_EQ(directory_error({0, 10, 5, 2}, 14, 1), "directory size does not match the segment address range");
}

TEST(Type2Directory, SelectsTheRecordOfEachEpoch) {
    const Type2Directory directory{100, 10, 5, 3};
    const auto record_of = [&](double epoch) {
        const auto index = select_type2_record(directory, epoch);
        return index ? std::to_string(*index) : type2_reason(index.error());
    };
    EXPECT_EQ(record_of(100), "0");
    EXPECT_EQ(record_of(119.999), "1");
    EXPECT_EQ(record_of(120), "2");
    EXPECT_EQ(record_of(130), "2");  // the end of the last interval
    const std::string uncovered = "epoch is not covered by the polynomial intervals";
    EXPECT_EQ(record_of(140), uncovered);
    EXPECT_EQ(record_of(1e300), uncovered);
    const std::string before = "epoch precedes the first polynomial interval";
    EXPECT_EQ(record_of(99.999), before);
    EXPECT_EQ(record_of(NaN), before);
    EXPECT_EQ(record_of(-INF), before);
    EXPECT_EQ(record_of(INF), before);
    EXPECT_EQ(select_type2_record(Type2Directory{0, 10, 5, 0}, 0).error().message(),
              "invalid SPK Type 2 segment: " + uncovered);
}

TEST(Type2Directory, RecordAddressesStayInTheDafRange) {
    const auto address_of = [](std::int32_t begin, std::uint32_t record_size, std::uint32_t index) {
        const auto address = type2_record_address(begin, Type2Directory{0, 1, record_size, 1}, index);
        return address ? std::to_string(*address) : type2_reason(address.error());
    };
    EXPECT_EQ(address_of(385, 41, 3), "508");
    EXPECT_EQ(address_of(1, 65537, 65537), "record address overflowed");
    EXPECT_EQ(address_of(1, 2, 1u << 30), "record address exceeds the DAF address range");
    EXPECT_EQ(address_of(1, 1, 2147483646u), "2147483647");
    EXPECT_EQ(address_of(2, 1, 2147483646u), "record address overflowed");
}

// X = 1 T0 + 2 T1 + 3 T2 + 4 T3, Y = T2, Z = T3 on [6, 14]; at 12, s = 0.5, where
// T = 1, 0.5, -0.5, -1 and T' = 0, 1, 2, 0.
const std::vector<double> CUBIC = type2_record(10, 4, {1, 2, 3, 4}, {0, 0, 1, 0}, {0, 0, 0, 1});

TEST(Type2Record, EvaluatesChebyshevValuesAndDerivatives) {
    const auto state = evaluate_loaded_type2_record(CUBIC, 14, 12);
    ASSERT_TRUE(state) << state.error().message();
    EXPECT_EQ(state->position, (std::array<double, 3>{-3.5, -0.5, -1}));
    // Derivatives per unit s divided by the radius: km/s.
    EXPECT_EQ(state->velocity, (std::array<double, 3>{2, 0.5, 0}));

    const auto ends = evaluate_loaded_type2_record(CUBIC, 14, 14);
    ASSERT_TRUE(ends);
    EXPECT_EQ(ends->position, (std::array<double, 3>{10, 1, 1}));
    EXPECT_EQ(ends->velocity, (std::array<double, 3>{(2 + 3 * 4 + 4 * 9) / 4.0, 1, 2.25}));

    const auto constant = evaluate_loaded_type2_record(type2_record(0, 1, {7}, {-8}, {9}), 5, 0.25);
    ASSERT_TRUE(constant);
    EXPECT_EQ(constant->position, (std::array<double, 3>{7, -8, 9}));
    EXPECT_EQ(constant->velocity, (std::array<double, 3>{0, 0, 0}));
}

TEST(Type2Record, ChecksRunInOrder) {
    const auto reason = [](std::vector<double> words, double epoch, std::uint32_t record_size = 14) {
        const auto state = evaluate_loaded_type2_record(words, record_size, epoch);
        return state ? "ok" : type2_reason(state.error());
    };
    const auto with = [](std::size_t word, double value) {
        std::vector<double> words = CUBIC;
        words[word] = value;
        return words;
    };
    const std::string bad_record = "record midpoint and radius must be finite and valid";
    EXPECT_EQ(reason(with(0, NaN), 12), bad_record);
    EXPECT_EQ(reason(with(1, 0), NaN), bad_record);
    EXPECT_EQ(reason(with(1, -4), 12), bad_record);
    EXPECT_EQ(reason(with(1, INF), 12), bad_record);
    EXPECT_EQ(reason({10}, 12, 1), bad_record);
    const std::string uncovered = "selected record does not cover the requested epoch";
    EXPECT_EQ(reason(with(13, NaN), 14.001), uncovered);
    EXPECT_EQ(reason(CUBIC, 5.999), uncovered);
    EXPECT_EQ(reason(CUBIC, NaN), uncovered);
    const std::string bad_coefficients = "Chebyshev coefficients and argument must be finite";
    EXPECT_EQ(reason(with(2, INF), 12), bad_coefficients);
    EXPECT_EQ(reason(with(13, NaN), 12), bad_coefficients);  // the last Z coefficient
    EXPECT_EQ(reason({10, 4, 1, 2}, 12, 4), bad_coefficients);  // no coefficient per axis
    EXPECT_EQ(reason({10, 4, 1, 2, 3}, 12, 8), bad_coefficients);  // fewer words than the size
}

TEST(Type2Record, FindsANonFiniteCoefficientWhereverItSits) {
    // Record sizes of 5 to 32 words (Type 3's among them): words checked in vector lanes
    // and words left over after them.
    for (std::uint32_t record_size = 5; record_size <= 32; ++record_size) {
        if ((record_size - 2) % 3 != 0) continue;
        // Extreme finite words must pass: they cancel to zero like any other.
        std::vector<double> words(record_size, std::numeric_limits<double>::max());
        words[0] = 10;
        words[1] = 4;
        words[2] = -0.0;
        words[record_size - 1] = std::numeric_limits<double>::denorm_min();
        EXPECT_TRUE(check_type2_record(words, record_size).coefficients_finite) << record_size;
        for (std::uint32_t word = 2; word < record_size; ++word) {
            for (const double bad : {NaN, INF, -INF}) {
                std::vector<double> damaged = words;
                damaged[word] = bad;
                EXPECT_FALSE(check_type2_record(damaged, record_size).coefficients_finite)
                    << record_size << " " << word << " " << bad;
            }
        }
    }
}

// Six records of RSIZE 8 over [0, 60]: record k has MID 10k + 5, RADIUS 5 and
// X = k + s, Y = 100 + k + 2s, Z = -k, so X moves at 0.2 km/s.
constexpr std::uint32_t LINEAR_RSIZE = 8;

std::vector<double> linear_segment_words(std::size_t records = 6) {
    std::vector<std::vector<double>> data;
    for (std::size_t k = 0; k < records; ++k) {
        const double index = static_cast<double>(k);
        data.push_back(type2_record(10 * index + 5, 5, {index, 1}, {100 + index, 2}, {-index, 0}));
    }
    return type2_segment_words(0, 10, data);
}

StateVector linear_state(double epoch) {
    const double index = std::min(std::floor(epoch / 10), 5.0);
    const double s = (epoch - (10 * index + 5)) / 5;
    return {{index + s, 100 + index + 2 * s, -index}, {0.2, 0.4, 0}};
}

class Type2Kernel : public ::testing::TestWithParam<bool> {
protected:
    // Words 385 on hold the segment; the addresses name it.
    SpkKernel open(const std::vector<double>& words) {
        std::vector<test::SegmentData> segments{test::segment_data(3, 0, 0, 60, words)};
        test::DafImage image = test::spk_image(segments, GetParam());
        begin_ = segments[0].summary.begin_address;
        end_ = segments[0].summary.end_address;
        return test::open_kernel(scratch_, "type2.bsp", image);
    }

    // Each batch state equals the single-epoch walk bit for bit, and the linear truth.
    void expect_matches_single_epochs(SpkKernel& kernel, const std::vector<double>& epochs,
                                      const std::vector<CartesianState>& states) {
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const auto single = kernel.evaluate_type2_at_epoch(begin_, end_, epochs[i]);
            ASSERT_TRUE(single);
            ASSERT_EQ(states[i].position, single->position) << epochs[i];
            ASSERT_EQ(states[i].velocity, single->velocity) << epochs[i];
            ASSERT_EQ(states[i].position, linear_state(epochs[i]).position) << epochs[i];
        }
    }

    std::string error_of(const std::vector<double>& words, std::vector<double> epochs) {
        SpkKernel kernel = open(words);
        const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, epochs);
        return states ? "ok" : type2_reason(states.error());
    }

    test::ScratchDir scratch_;
    std::int32_t begin_ = 0, end_ = 0;
};

TEST_P(Type2Kernel, ReturnsStatesInInputOrderReadingEachRecordOnce) {
    SpkKernel kernel = open(linear_segment_words());
    const std::vector<double> epochs{52, 41, 57};  // records 5, 4, 5
    const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, epochs);
    ASSERT_TRUE(states) << states.error().message();
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        EXPECT_EQ((*states)[i].position, linear_state(epochs[i]).position) << epochs[i];
        EXPECT_EQ((*states)[i].velocity, linear_state(epochs[i]).velocity) << epochs[i];
    }
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + 2 * LINEAR_RSIZE);

    // Record 5 was read last and stays; record 4 has to be read again.
    ASSERT_TRUE(kernel.evaluate_type2_at_epochs(begin_, end_, std::vector<double>{55, 51}));
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + 2 * LINEAR_RSIZE);
    ASSERT_TRUE(kernel.evaluate_type2_at_epoch(begin_, end_, 45));
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + 3 * LINEAR_RSIZE);
}

TEST_P(Type2Kernel, SingleEpochsMatchTheBatch) {
    SpkKernel kernel = open(linear_segment_words());
    std::vector<double> epochs;
    for (double epoch = 60; epoch >= 0; epoch -= 0.75) epochs.push_back(epoch);
    const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, epochs);
    ASSERT_TRUE(states);
    for (std::size_t i = 0; i < epochs.size(); ++i) {
        const auto single = kernel.evaluate_type2_at_epoch(begin_, end_, epochs[i]);
        ASSERT_TRUE(single);
        EXPECT_EQ(single->position, (*states)[i].position) << epochs[i];
        EXPECT_EQ(single->velocity, (*states)[i].velocity) << epochs[i];
    }
}

TEST_P(Type2Kernel, ScatteredEpochsMatchSingleEpochsAndReadEachRecordOnce) {
    SpkKernel kernel = open(linear_segment_words());
    // 300 epochs alternating between records 1 and 4, then a few in record 0.
    std::vector<double> epochs;
    for (int i = 0; i < 150; ++i) {
        epochs.push_back(40 + i * 0.05);
        epochs.push_back(10 + i * 0.05);
    }
    epochs.insert(epochs.end(), {3, 1, 2});
    const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, epochs);
    ASSERT_TRUE(states) << states.error().message();
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + 3 * LINEAR_RSIZE);
    expect_matches_single_epochs(kernel, epochs, *states);
}

// Rising lists find each record's stretch of epochs from its two ends: the stretches
// meet exactly where single epochs change record, each record is read once, and up
// to eight epochs of a record share one evaluation.
TEST_P(Type2Kernel, RisingEpochsSplitAtTheRecordBoundaries) {
    for (const double step : {0.25, 1.0 / 3, 7.5, 10.0}) {
        SpkKernel kernel = open(linear_segment_words());
        std::vector<double> epochs;
        for (double epoch = 0; epoch <= 60; epoch += step) epochs.push_back(epoch);
        epochs.push_back(60);  // the end of the last interval, in the last record
        const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, epochs);
        ASSERT_TRUE(states) << states.error().message();
        EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + 6 * LINEAR_RSIZE) << step;
        expect_matches_single_epochs(kernel, epochs, *states);
    }
}

TEST_P(Type2Kernel, RisingListsFailAtTheirFirstBadEpoch) {
    std::vector<double> epochs;
    for (int i = 0; i <= 100; ++i) epochs.push_back(i * 0.5);
    epochs.push_back(70);
    EXPECT_EQ(error_of(linear_segment_words(), epochs), "epoch is not covered by the polynomial intervals");
    epochs.front() = -1;
    EXPECT_EQ(error_of(linear_segment_words(), epochs), "epoch precedes the first polynomial interval");
    // Record 4 claims [0, 10]: its first epoch in order fails, after records 0 to 3 were read.
    std::vector<double> misplaced = linear_segment_words();
    misplaced[4 * LINEAR_RSIZE] = 5;
    SpkKernel kernel = open(misplaced);
    epochs.front() = 0;
    epochs.pop_back();
    EXPECT_EQ(type2_reason(kernel.evaluate_type2_at_epochs(begin_, end_, epochs).error()),
              "selected record does not cover the requested epoch");
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + 5 * LINEAR_RSIZE);
}

TEST_P(Type2Kernel, ManyEpochsInOneRecordReadItOnce) {
    SpkKernel kernel = open(linear_segment_words());
    std::vector<double> epochs;
    for (int i = 0; i < 1000; ++i) epochs.push_back(20 + i * 0.01);
    ASSERT_TRUE(kernel.evaluate_type2_at_epochs(begin_, end_, epochs));
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + LINEAR_RSIZE);
    ASSERT_TRUE(kernel.evaluate_type2_at_epochs(begin_, end_, epochs));
    EXPECT_EQ(kernel.words_read(), TYPE2_DIRECTORY_WORDS + LINEAR_RSIZE);
}

TEST_P(Type2Kernel, TheEndOfTheLastIntervalBelongsToTheLastRecord) {
    SpkKernel kernel = open(linear_segment_words());
    const auto state = kernel.evaluate_type2_at_epoch(begin_, end_, 60);
    ASSERT_TRUE(state) << state.error().message();
    EXPECT_EQ(state->position, (std::array<double, 3>{6, 107, -5}));
}

TEST_P(Type2Kernel, RejectsBadSegments) {
    EXPECT_EQ(error_of(linear_segment_words(), {30, -1}), "epoch precedes the first polynomial interval");
    EXPECT_EQ(error_of(linear_segment_words(), {70, -1}), "epoch is not covered by the polynomial intervals");

    std::vector<double> one_too_many = linear_segment_words();
    one_too_many.back() = 7;
    EXPECT_EQ(error_of(one_too_many, {30}), "directory size does not match the segment address range");

    // Record 2 claims [0, 10] while its interval is [20, 30].
    std::vector<double> misplaced = linear_segment_words();
    misplaced[2 * LINEAR_RSIZE] = 5;
    EXPECT_EQ(error_of(misplaced, {12}), "ok");
    EXPECT_EQ(error_of(misplaced, {25}), "selected record does not cover the requested epoch");
    // Every epoch's record is checked before anything is evaluated.
    EXPECT_EQ(error_of(misplaced, {25, 70}), "epoch is not covered by the polynomial intervals");

    for (const double size : {6.0, 7.0}) {
        std::vector<double> words = linear_segment_words();
        words[words.size() - 2] = size;
        EXPECT_EQ(error_of(words, {30}), "record size does not describe three equal coefficient sets");
    }
}

TEST_P(Type2Kernel, SizeFiveRecordsHoldAConstantPosition) {
    SpkKernel kernel = open(test::type2_segment_words(
        0, 30, {type2_record(15, 15, {1}, {2}, {3}), type2_record(45, 15, {4}, {5}, {6})}));
    const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, std::vector<double>{40, 0, 60});
    ASSERT_TRUE(states) << states.error().message();
    EXPECT_EQ((*states)[0].position, (std::array<double, 3>{4, 5, 6}));
    EXPECT_EQ((*states)[1].position, (std::array<double, 3>{1, 2, 3}));
    EXPECT_EQ((*states)[2].position, (std::array<double, 3>{4, 5, 6}));
    for (const auto& state : *states) EXPECT_EQ(state.velocity, (std::array<double, 3>{0, 0, 0}));
}

TEST_P(Type2Kernel, CachesOnlyWhatWasReadWhole) {
    SpkKernel kernel = open(linear_segment_words());
    // A directory that fails to decode is read again next time; one word short,
    // INTLEN is read from the INIT word.
    const std::string bad_interval = "directory epoch and interval length must be finite and valid";
    EXPECT_EQ(type2_reason(kernel.evaluate_type2_at_epoch(begin_, end_ - 1, 30).error()), bad_interval);
    EXPECT_EQ(type2_reason(kernel.evaluate_type2_at_epoch(begin_, end_ - 1, 30).error()), bad_interval);
    EXPECT_EQ(kernel.words_read(), 2 * TYPE2_DIRECTORY_WORDS);

    // A failing record leaves the directory and the records read before it cached.
    std::vector<double> words = linear_segment_words();
    words[3 * LINEAR_RSIZE + 1] = 0;  // record 3 has radius 0
    SpkKernel damaged = open(words);
    EXPECT_EQ(type2_reason(damaged.evaluate_type2_at_epochs(begin_, end_, std::vector<double>{12, 35}).error()),
              "record midpoint and radius must be finite and valid");
    const std::uint64_t after_failure = damaged.words_read();
    EXPECT_EQ(after_failure, TYPE2_DIRECTORY_WORDS + 2 * LINEAR_RSIZE);
    ASSERT_TRUE(damaged.evaluate_type2_at_epoch(begin_, end_, 15));
    EXPECT_EQ(damaged.words_read(), after_failure + LINEAR_RSIZE);  // record 3 had replaced record 1
    ASSERT_TRUE(damaged.evaluate_type2_at_epoch(begin_, end_, 12));
    EXPECT_EQ(damaged.words_read(), after_failure + LINEAR_RSIZE);
}

TEST_P(Type2Kernel, DirectoryAddressesMustBeReadable) {
    SpkKernel kernel = open(linear_segment_words());
    EXPECT_EQ(type2_reason(kernel.evaluate_type2_at_epoch(1, 3, 0).error()), "DAF word addresses are one-based");
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(type2_reason(kernel.evaluate_type2_at_epoch(lowest, lowest + 2, 0).error()),
              "segment is too short to contain a directory");
    EXPECT_EQ(kernel.evaluate_type2_at_epoch(1, 1 << 20, 0).error().message(),
              "failed to read SPK kernel: failed to fill whole buffer");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Type2Kernel, ::testing::Bool());

}  // namespace
}  // namespace orbyx
