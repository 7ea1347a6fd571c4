#include "spk/spk_kernel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::DafImage;
using test::segment;

constexpr const char* FILL_FAILURE = "failed to read SPK kernel: failed to fill whole buffer";

// Records: 1 file record, 2-3 first summary record and its names, 4-5 second
// summary record and its names, 6 data words 641..768 holding 0.5 x address.
const std::vector<SpkSegment> FIRST_RECORD = {segment("EARTH-MOON BARYCENTER", 3, 0, 100, 641, 700),
                                              segment("MOON", 301, 0, 100, 701, 768)};
const std::vector<SpkSegment> SECOND_RECORD = {segment("SUN", 10, -10, 200, 641, 768)};

DafImage two_record_chain(bool big_endian) {
    DafImage image(6, big_endian);
    image.put_file_record(2, 4);
    image.put_summary_record(2, 4, 0, FIRST_RECORD);
    image.put_summary_record(4, 0, 2, SECOND_RECORD);
    for (std::size_t address = 641; address <= 768; ++address) {
        image.put_f64((address - 1) * DAF_WORD_BYTES, 0.5 * static_cast<double>(address));
    }
    return image;
}

class SpkKernelForms : public ::testing::TestWithParam<std::tuple<bool, KernelSourceMode>> {
protected:
    bool big_endian() const { return std::get<0>(GetParam()); }

    SpkKernel open(DafImage& image) {
        auto kernel = SpkKernel::open(scratch_.write("chain.bsp", image.bytes()), std::get<1>(GetParam()));
        EXPECT_TRUE(kernel) << kernel.error().message();
        return std::move(kernel).value();
    }

    std::string walk_error(const std::function<void(DafImage&)>& damage) {
        DafImage image = two_record_chain(big_endian());
        damage(image);
        SpkKernel kernel = open(image);
        const auto segments = kernel.segments();
        return segments ? "ok" : segments.error().message();
    }

    test::ScratchDir scratch_;
};

TEST_P(SpkKernelForms, WalksTheChainInFileOrder) {
    DafImage image = two_record_chain(big_endian());
    SpkKernel kernel = open(image);
    const auto segments = kernel.segments();
    ASSERT_TRUE(segments) << segments.error().message();
    std::vector<SpkSegment> expected = FIRST_RECORD;
    expected.push_back(SECOND_RECORD[0]);
    EXPECT_EQ(*segments, expected);
}

TEST_P(SpkKernelForms, ReadsWordsByOneBasedAddress) {
    DafImage image = two_record_chain(big_endian());
    SpkKernel kernel = open(image);
    EXPECT_EQ(kernel.read_words(641, 3).value(), (std::vector<double>{320.5, 321, 321.5}));
    EXPECT_EQ(kernel.read_words(768, 1).value(), std::vector<double>{384});
    EXPECT_EQ(kernel.read_words(700, 0).value(), std::vector<double>{});
    EXPECT_EQ(kernel.read_words(641, 128).value().back(), 384);
    EXPECT_EQ(kernel.read_words(768, 2).error().message(), FILL_FAILURE);
    EXPECT_EQ(kernel.read_words(0, 1).error().message(),
              "invalid SPK Type 2 segment: DAF word addresses are one-based");
    EXPECT_EQ(kernel.read_words(-1, 1).error().message(),
              "invalid SPK Type 2 segment: DAF word addresses are one-based");
}

TEST_P(SpkKernelForms, RefusesBrokenChains) {
    constexpr std::size_t second = 3 * DAF_RECORD_BYTES;  // record 4
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_u32(12, 5); }), "unsupported SPK summary layout ND=2, NI=5");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_f64(second, 2); }),
              "invalid DAF summary chain: summary record chain contains a cycle");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_f64(DAF_RECORD_BYTES + 8, 1); }),
              "invalid DAF summary chain: summary record has an incorrect backward pointer");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_u32(80, 6); }),
              "invalid DAF summary chain: summary chain ended before the final summary record");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_f64(second, 9); }), FILL_FAILURE);
    for (const double bad : {1.5, -1.0, 4294967296.0, std::nan("")}) {
        EXPECT_EQ(walk_error([bad](DafImage& d) { d.put_f64(second + 16, bad); }),
                  "invalid DAF summary chain: summary control word is not a non-negative integer")
            << bad;
    }
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_f64(second + 16, -0.0); }), "ok");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_f64(DAF_RECORD_BYTES + 16, 26); }),
              "invalid DAF summary chain: summary count exceeds record capacity");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_summary_record(2, 4, 0, std::vector(25, FIRST_RECORD[0])); }),
              "ok");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_text(4 * DAF_RECORD_BYTES, "\xff"); }),
              "invalid UTF-8 in segment identifier");
    EXPECT_EQ(walk_error([](DafImage& d) { d.put_i32(second + 24 + 32, 0); }),
              "invalid SPK segment: DAF address bounds are invalid");
}

// The file is rewritten in place under the open kernel: a failed walk must be
// retried, a successful one must never be repeated.
TEST_P(SpkKernelForms, CachesOnlyASuccessfulWalk) {
    DafImage broken = two_record_chain(big_endian());
    broken.put_f64(DAF_RECORD_BYTES + 8, 1);
    SpkKernel kernel = open(broken);
    ASSERT_FALSE(kernel.segments());

    DafImage valid = two_record_chain(big_endian());
    scratch_.write("chain.bsp", valid.bytes());
    const auto walked = kernel.segments();
    ASSERT_TRUE(walked) << walked.error().message();

    scratch_.write("chain.bsp", broken.bytes());
    const auto cached = kernel.segments();
    ASSERT_TRUE(cached);
    EXPECT_EQ(*cached, *walked);
}

INSTANTIATE_TEST_SUITE_P(ByteOrdersAndForms, SpkKernelForms,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(KernelSourceMode::MapIfPossible,
                                                              KernelSourceMode::PositionedReads)));

TEST(SpkKernel, ShortFilesFailAtTheFileRecord) {
    test::ScratchDir scratch;
    for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{1023}}) {
        const auto kernel = SpkKernel::open(scratch.write("short" + std::to_string(size), std::vector<std::uint8_t>(size)));
        ASSERT_FALSE(kernel);
        EXPECT_EQ(kernel.error().message(), FILL_FAILURE);
    }
}

}  // namespace
}  // namespace orbyx
