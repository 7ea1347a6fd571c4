#include "spk/spk_error.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

namespace orbyx {
namespace {

TEST(SpkErrorText, QuotesIdentifierBytesLossily) {
    const std::array<std::uint8_t, 8> identifier{'D', 0xFF, '"', '\\', 0, '\t', '\n', 0x7F};
    EXPECT_EQ(SpkError::invalid_file_identifier(identifier).message(),
              "expected DAF/SPK file identifier, found \"D\xEF\xBF\xBD\\\"\\\\\\0\\t\\n\\u{7f}\"");
    EXPECT_EQ(SpkError::unsupported_binary_format("VAX\r").message(), "unsupported DAF binary format \"VAX\\r\"");
}

TEST(SpkErrorText, WritesNumbersShortestAndPlain) {
    EXPECT_EQ(SpkError::unsupported_summary_layout(2, 4294967295u).message(),
              "unsupported SPK summary layout ND=2, NI=4294967295");
    EXPECT_EQ(SpkError::unsupported_segment_type(-3).message(), "unsupported SPK segment type -3");
    EXPECT_EQ(SpkError::epoch_outside_coverage(1e21, -0.0, 0.5).message(),
              "TDB epoch 1000000000000000000000 is outside segment coverage [-0, 0.5]");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(SpkError::epoch_outside_coverage(std::nan(""), -inf, 100.0).message(),
              "TDB epoch NaN is outside segment coverage [-inf, 100]");
    EXPECT_EQ(SpkError::broken_center_chain(3, 1.25e-7).message(),
              "no SPK segment continues the center chain from target 3 at TDB epoch 0.000000125");
    EXPECT_EQ(SpkError::center_chain_cycle(-5).message(), "SPK center chain for target -5 contains a cycle");
}

TEST(SpkErrorText, ShowsIoErrorsAsTheSystemDescribesThem) {
    EXPECT_EQ(SpkError::io(IoError::from_errno(ENOENT)).message(),
              "failed to read SPK kernel: No such file or directory (os error 2)");
    EXPECT_EQ(SpkError::io(IoError::custom("failed to fill whole buffer")).message(),
              "failed to read SPK kernel: failed to fill whole buffer");
}

TEST(SpkErrorText, BecomesAnEvaluationErrorWithTheSameText) {
    const SpkError error = SpkError::unsupported_segment_type(3);
    const EphemerisError converted = to_ephemeris_error(error);
    EXPECT_EQ(converted.kind(), EphemerisError::Kind::Evaluation);
    EXPECT_EQ(converted.message(), "unsupported SPK segment type 3");
}

}  // namespace
}  // namespace orbyx
