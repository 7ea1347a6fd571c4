#include "spk/spk_segment.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

Result<SpkSegment, SpkError> parse(const SpkSegment& fields, bool big_endian = false) {
    test::DafImage image(1, big_endian);
    image.put_summary(0, fields);
    std::array<std::uint8_t, SPK_SUMMARY_BYTES> summary{};
    std::memcpy(summary.data(), image.bytes().data(), summary.size());
    return parse_spk_summary(summary, fields.name, big_endian);
}

std::string error_of(const SpkSegment& fields) {
    const auto parsed = parse(fields);
    return parsed ? "ok" : parsed.error().message();
}

TEST(ParseSpkSummary, ReadsEveryFieldInEitherByteOrder) {
    const SpkSegment fields{"DE-0430LE-0430", -1.5e9, 2.5e9, 301, 3, 1, 2, 641, -1 + (1 << 30)};
    for (const bool big_endian : {false, true}) {
        const auto parsed = parse(fields, big_endian);
        ASSERT_TRUE(parsed) << parsed.error().message();
        EXPECT_EQ(*parsed, fields);
    }
}

TEST(ParseSpkSummary, ValidatesBoundsInOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(error_of(test::segment("s", 3, nan, 10, 0, 0)), "invalid SPK segment: time bounds must be finite");
    EXPECT_EQ(error_of(test::segment("s", 3, 0, inf)), "invalid SPK segment: time bounds must be finite");
    EXPECT_EQ(error_of(test::segment("s", 3, 11, 10, 0, 0)), "invalid SPK segment: start time is after end time");
    EXPECT_EQ(error_of(test::segment("s", 3, 10, 10)), "ok");
    EXPECT_EQ(error_of(test::segment("s", 3, 0, 10, 0, 8)), "invalid SPK segment: DAF address bounds are invalid");
    EXPECT_EQ(error_of(test::segment("s", 3, 0, 10, 9, 8)), "invalid SPK segment: DAF address bounds are invalid");
    EXPECT_EQ(error_of(test::segment("s", 3, 0, 10, 8, 8)), "ok");
}

}  // namespace
}  // namespace orbyx
