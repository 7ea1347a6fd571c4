#include "spk/spk_ephemeris.hpp"

#include <gtest/gtest.h>

#include <string>

#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::test_data;

const std::string DIGEST = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string UPPER_DIGEST = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
constexpr const char* BAD_DIGEST = "kernel SHA-256 must contain exactly 64 hexadecimal characters";

std::string open_error(std::string_view path, std::string_view sha256 = DIGEST) {
    const auto engine = SpkEphemeris::open(path, sha256);
    return engine ? "ok" : engine.error().message();
}

struct RealKernel {
    const char* file;
    std::size_t segment_count;
    double start_julian_day;
    double end_julian_day;
};

class RealKernels : public ::testing::TestWithParam<RealKernel> {};

// Both source forms must yield the same segments, range and words.
TEST_P(RealKernels, OpenIdenticallyMappedAndWithPositionedReads) {
    const RealKernel& expected = GetParam();
    auto mapped = SpkEphemeris::open(test_data(expected.file), DIGEST);
    auto file_backed = SpkEphemeris::open(test_data(expected.file), DIGEST, KernelSourceMode::PositionedReads);
    ASSERT_TRUE(mapped) << mapped.error().message();
    ASSERT_TRUE(file_backed) << file_backed.error().message();

    for (SpkEphemeris* engine : {&*mapped, &*file_backed}) {
        EXPECT_EQ(engine->supported_range().start_julian_day, expected.start_julian_day);
        EXPECT_EQ(engine->supported_range().end_julian_day, expected.end_julian_day);
        EXPECT_EQ(engine->supported_range().time_scale, TimeScale::Tdb);
        EXPECT_EQ(engine->kernels().size(), 1u);
        EXPECT_EQ(engine->metadata().kernel_name, expected.file);
    }
    const auto segments = mapped->kernels()[0].segments().value();
    EXPECT_EQ(segments.size(), expected.segment_count);
    EXPECT_EQ(segments, file_backed->kernels()[0].segments().value());

    const SpkSegment& last = segments.back();
    const auto length = static_cast<std::uint32_t>(last.end_address - last.begin_address + 1);
    const auto words = mapped->kernels()[0].read_words(last.begin_address, length);
    ASSERT_TRUE(words) << words.error().message();
    EXPECT_EQ(*words, file_backed->kernels()[0].read_words(last.begin_address, length).value());
}

// de441-1969 joins its two halves at 2440432.5, so the range runs past the join.
INSTANTIATE_TEST_SUITE_P(SharedData, RealKernels,
                         ::testing::Values(RealKernel{"de430-2015-03-02.bsp", 14, 2457080.5, 2457088.5},
                                           RealKernel{"de441-1969.bsp", 28, 2440428.5, 2440436.5}));

TEST(SpkEphemerisOpen, ReadsTheDirectoryOfEveryType2Segment) {
    auto engine = SpkEphemeris::open(test_data("de430-2015-03-02.bsp"), DIGEST);
    ASSERT_TRUE(engine);
    SpkKernel& kernel = engine->kernels()[0];
    const auto segments = kernel.segments();
    ASSERT_TRUE(segments);
    for (const SpkSegment& segment : *segments) {
        // The last four words are INIT, INTLEN, RSIZE and N; they must span the segment.
        const auto directory = kernel.read_words(segment.end_address - 3, 4).value();
        EXPECT_LE(directory[0], segment.start_epoch) << segment.target;
        EXPECT_GE(directory[0] + directory[1] * directory[3], segment.end_epoch) << segment.target;
        EXPECT_EQ(segment.begin_address + directory[2] * directory[3] - 1, segment.end_address - 4);
    }
}

TEST(SpkEphemerisOpen, DoesNotCheckSegmentTypes) {
    auto engine = SpkEphemeris::open(test_data("jup310-2015-03-02.bsp"), DIGEST);
    ASSERT_TRUE(engine) << engine.error().message();
}

TEST(SpkEphemerisOpen, RecordsMetadata) {
    const auto engine = SpkEphemeris::open(std::string(ORBYX_TEST_DATA_DIR) + "/.//de430-2015-03-02.bsp", UPPER_DIGEST);
    ASSERT_TRUE(engine) << engine.error().message();
    const EphemerisMetadata& metadata = engine->metadata();
    EXPECT_EQ(metadata.engine_version, "0.1.0");
    EXPECT_EQ(metadata.kernel_name, "de430-2015-03-02.bsp");
    EXPECT_EQ(metadata.kernel_sha256, DIGEST);
    EXPECT_EQ(metadata.coordinate_frame, "ICRF/J2000");
    EXPECT_TRUE(metadata.additional_kernels.empty());
    EXPECT_EQ(engine->leap_second_kernel(), nullptr);
    EXPECT_EQ(engine->earth_orientation_table(), nullptr);
}

TEST(SpkEphemerisOpen, ChecksInOrder) {
    // The name is judged before the file is touched.
    EXPECT_EQ(open_error("/nonexistent/.."), "kernel path has no UTF-8 filename");
    EXPECT_EQ(open_error("/nonexistent/\xff.bsp"), "kernel path has no UTF-8 filename");
    EXPECT_EQ(open_error(""), "kernel path has no UTF-8 filename");
    // The file is opened before the digest's form is judged.
    EXPECT_EQ(open_error("/nonexistent/de430.bsp", "bad"),
              "failed to read SPK kernel: No such file or directory (os error 2)");

    const std::string de430 = test_data("de430-2015-03-02.bsp");
    EXPECT_EQ(open_error(de430, DIGEST.substr(1)), BAD_DIGEST);
    EXPECT_EQ(open_error(de430, DIGEST.substr(1) + "g"), BAD_DIGEST);
    EXPECT_EQ(open_error(de430, DIGEST + "0"), BAD_DIGEST);

    test::ScratchDir scratch;
    EXPECT_EQ(open_error(scratch.write("empty.bsp", {})), "failed to read SPK kernel: failed to fill whole buffer");
    EXPECT_EQ(open_error(scratch.write("short.bsp", std::vector<std::uint8_t>(100))),
              "failed to read SPK kernel: failed to fill whole buffer");
}

TEST(SpkEphemerisOpen, ReportsChainAndCoverageFailures) {
    test::ScratchDir scratch;
    test::DafImage image(3, false);
    image.put_file_record(2, 2);
    image.put_summary_record(2, 0, 0, {test::segment("mercury", 1, 0, 100), test::segment("venus", 2, 200, 300)});
    EXPECT_EQ(open_error(scratch.write("disjoint.bsp", image.bytes())), "SPK targets have no common coverage interval");

    image.put_summary_record(2, 0, 0, {});
    EXPECT_EQ(open_error(scratch.write("empty-chain.bsp", image.bytes())), "SPK kernel has no segments");

    image.put_u32(12, 5);
    EXPECT_EQ(open_error(scratch.write("layout.bsp", image.bytes())), "unsupported SPK summary layout ND=2, NI=5");
}

TEST(SpkEphemerisAttach, AppendsKernelsAndProvenance) {
    auto engine = SpkEphemeris::open(test_data("de430-2015-03-02.bsp"), DIGEST);
    ASSERT_TRUE(engine);
    auto additional = SpkKernel::open(test_data("de441-1969.bsp"));
    ASSERT_TRUE(additional);
    auto extended = SpkEphemeris::with_additional_kernel(std::move(engine).value(), std::move(additional).value(),
                                                         "de441-1969.bsp", UPPER_DIGEST);
    ASSERT_TRUE(extended) << extended.error().message();
    EXPECT_EQ(extended->kernels().size(), 2u);
    ASSERT_EQ(extended->metadata().additional_kernels.size(), 1u);
    EXPECT_EQ(extended->metadata().additional_kernels[0].name, "de441-1969.bsp");
    EXPECT_EQ(extended->metadata().additional_kernels[0].sha256, DIGEST);
    EXPECT_EQ(extended->metadata().kernel_name, "de430-2015-03-02.bsp");
    EXPECT_EQ(extended->supported_range().start_julian_day, 2457080.5);
    EXPECT_EQ(extended->supported_range().end_julian_day, 2457088.5);
}

TEST(SpkEphemerisAttach, RefusesABadDigestThenABadChain) {
    test::ScratchDir scratch;
    test::DafImage image(3, false);
    image.put_file_record(2, 2);
    image.put_summary_record(2, 0, 1, {});
    const std::string broken = scratch.write("broken.bsp", image.bytes());

    const auto attach = [&](std::string_view sha256) {
        auto engine = SpkEphemeris::open(test_data("de430-2015-03-02.bsp"), DIGEST);
        auto kernel = SpkKernel::open(broken);
        const auto extended = SpkEphemeris::with_additional_kernel(std::move(engine).value(),
                                                                   std::move(kernel).value(), "broken.bsp", sha256);
        return extended ? "ok" : extended.error().message();
    };
    EXPECT_EQ(attach("not a digest"), BAD_DIGEST);
    EXPECT_EQ(attach(DIGEST), "invalid DAF summary chain: summary record has an incorrect backward pointer");
}

}  // namespace
}  // namespace orbyx
