#include "time/leap_second_kernel.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <optional>
#include <string>

#include "temp_text_file.hpp"

namespace orbyx {
namespace {

using testing::TempTextFile;

const std::string SHA256(64, 'a');

struct Assignment {
    const char* key;
    const char* value;
};

const Assignment STANDARD_DATA[] = {
    {"DELTET/DELTA_T_A", "32.184"},
    {"DELTET/K", "1.657D-3"},
    {"DELTET/EB", "1.671D-2"},
    {"DELTET/M", "( 6.239996D0 1.99096871D-7 )"},
    {"DELTET/DELTA_AT", "( 10, @1972-JAN-1\n 11, @1972-JUL-1 )"},
};

// A kernel with the standard data, `key` given `value` instead (or left out).
std::string kernel_text(std::string_view key = {}, std::optional<std::string_view> value = {}) {
    std::string text = "Leap seconds for tests.\nDELTET/K = 99\n\\begindata\n";
    for (const auto& [standard_key, standard_value] : STANDARD_DATA) {
        if (standard_key != key) {
            text += std::string(standard_key) + " = " + standard_value + "\n";
        } else if (value) {
            text += std::string(standard_key) + " = " + std::string(*value) + "\n";
        }
    }
    return text + "\\begintext\nDELTET/EB = 99\n";
}

Result<LeapSecondKernel, LskError> open_text(std::string_view text,
                                             std::string_view sha256 = SHA256) {
    const TempTextFile file("test.tls", text);
    return LeapSecondKernel::open(file.path(), sha256);
}

std::string open_error(std::string_view text, std::string_view sha256 = SHA256) {
    const auto kernel = open_text(text, sha256);
    return kernel.ok() ? "opened" : kernel.error().message();
}

TEST(LeapSecondKernel, OpensAMinimalKernel) {
    const auto kernel = open_text(kernel_text(), std::string(64, 'F'));
    ASSERT_TRUE(kernel.ok()) << kernel.error().message();
    EXPECT_EQ(kernel->name(), "test.tls");
    EXPECT_EQ(kernel->sha256(), std::string(64, 'f'));
    EXPECT_EQ(kernel->delta_t_a(), 32.184);
    EXPECT_EQ(kernel->k(), 0.001657);  // the text sections' values are ignored
    EXPECT_EQ(kernel->eb(), 0.01671);
    ASSERT_EQ(kernel->entries().size(), 2u);
    EXPECT_EQ(kernel->entries()[1].delta_at, 11.0);
    EXPECT_EQ(kernel->entries()[1].utc_julian_day, 2441499.5);
}

TEST(LeapSecondKernel, OpensTheSharedKernel) {
    const auto kernel = LeapSecondKernel::open(ORBYX_TEST_DATA_DIR "/leapseconds.tls", SHA256);
    ASSERT_TRUE(kernel.ok()) << kernel.error().message();
    EXPECT_EQ(kernel->name(), "leapseconds.tls");
    ASSERT_EQ(kernel->entries().size(), 28u);
    EXPECT_EQ(kernel->entries().front().delta_at, 10.0);
    EXPECT_EQ(kernel->entries().front().utc_julian_day, 2441317.5);
    EXPECT_EQ(kernel->entries().back().delta_at, 37.0);
    EXPECT_EQ(kernel->entries().back().utc_julian_day, 2457754.5);
    EXPECT_EQ(kernel->delta_t_a(), 32.184);
    EXPECT_EQ(kernel->k(), 1.657e-3);
    EXPECT_EQ(kernel->eb(), 1.671e-2);
    EXPECT_EQ(kernel->m0(), 6.239996);
    EXPECT_EQ(kernel->m1(), 1.99096871e-7);
}

TEST(LeapSecondKernel, PathAndFileErrorsComeBeforeTheChecksum) {
    const auto no_name = LeapSecondKernel::open("/tmp/..", "bad");
    EXPECT_EQ(no_name.error().message(), "leap-second kernel path has no UTF-8 filename");
    EXPECT_EQ(LeapSecondKernel::open("", "bad").error().kind(),
        LskError::Kind::PathHasNoUtf8FileName);
    EXPECT_EQ(LeapSecondKernel::open("/tmp/\xff.tls", SHA256).error().kind(),
              LskError::Kind::PathHasNoUtf8FileName);

    EXPECT_EQ(LeapSecondKernel::open("/nonexistent-orbyx-dir/naif.tls", "bad").error().message(),
              "failed to read leap-second kernel: No such file or directory (os error 2)");
    const TempTextFile file("bad.tls", "\\begindata\n\xff\n");
    EXPECT_EQ(LeapSecondKernel::open(file.path(), "bad").error().message(),
              "failed to read leap-second kernel: stream did not contain valid UTF-8");
    EXPECT_EQ(LeapSecondKernel::open(file.directory(), "bad").error().message(),
              "failed to read leap-second kernel: Is a directory (os error 21)");
}

TEST(LeapSecondKernel, ChecksumMustBe64HexCharacters) {
    const std::string text = kernel_text();
    const std::string message =
        "leap-second kernel SHA-256 must contain exactly 64 hexadecimal characters";
    EXPECT_EQ(open_error(text, std::string(63, 'a')), message);
    EXPECT_EQ(open_error(text, std::string(65, 'a')), message);
    EXPECT_EQ(open_error(text, std::string(63, 'a') + "g"), message);
    EXPECT_EQ(open_error(text, "0123456789abcdefABCDEF" + std::string(42, '0')), "opened");
    // The checksum is checked before the content.
    EXPECT_EQ(open_error("no data", "bad"), message);
}

TEST(LeapSecondKernel, KeywordsAreCheckedInOrder) {
    std::string text = "\\begindata\nOTHER = 1\n";
    const char* const expected[] = {"DELTET/DELTA_T_A", "DELTET/K", "DELTET/EB", "DELTET/M",
                                    "DELTET/DELTA_AT"};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(open_error(text),
            std::string("leap-second kernel is missing required keyword ") + expected[i]);
        // A malformed value is reported before any later keyword is missing.
        const std::string malformed = open_error(text + expected[i] + " = ( )\n");
        EXPECT_TRUE(malformed.starts_with(std::string("invalid value for ") + expected[i] + ": "))
            << malformed;
        text += std::string(STANDARD_DATA[i].key) + " = " + STANDARD_DATA[i].value + "\n";
    }
    EXPECT_EQ(open_error(text), "opened");
    EXPECT_EQ(open_error("no data section"), "leap-second kernel has no \\begindata section");
}

TEST(LeapSecondKernel, ScalarValues) {
    EXPECT_EQ(open_text(kernel_text("DELTET/K", "( 1.657D-3 )"))->k(), 0.001657);
    EXPECT_EQ(open_text(kernel_text("DELTET/EB", "inf"))->eb(),
        std::numeric_limits<double>::infinity());
    EXPECT_EQ(open_error(kernel_text("DELTET/K", "1.657D-3 2")),
              "invalid value for DELTET/K: expected a single scalar value");
    EXPECT_EQ(open_error(kernel_text("DELTET/K", "")),
        "invalid value for DELTET/K: expected a single scalar value");
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_T_A", "32,184.0")),
              "invalid value for DELTET/DELTA_T_A: expected a single scalar value");
    EXPECT_EQ(open_error(kernel_text("DELTET/EB", "0x1")),
        "invalid value for DELTET/EB: value is not a valid number");
}

TEST(LeapSecondKernel, MNeedsExactlyTwoNumbers) {
    const auto kernel = open_text(kernel_text("DELTET/M", "6.5,\n 2D-7"));
    EXPECT_EQ(kernel->m0(), 6.5);
    EXPECT_EQ(kernel->m1(), 2e-7);
    const std::string count = "invalid value for DELTET/M: expected exactly two values (M0 and M1)";
    EXPECT_EQ(open_error(kernel_text("DELTET/M", "( 6.239996D0 )")), count);
    EXPECT_EQ(open_error(kernel_text("DELTET/M", "( 1 2 3 )")), count);
    EXPECT_EQ(open_error(kernel_text("DELTET/M", "( x y )")),
        "invalid value for DELTET/M: M0 is not a valid number");
    EXPECT_EQ(open_error(kernel_text("DELTET/M", "( 1 y )")),
        "invalid value for DELTET/M: M1 is not a valid number");
}

TEST(LeapSecondKernel, DeltaAtPairs) {
    const std::string pairs =
        "invalid value for DELTET/DELTA_AT: expected a non-empty sequence of (delta, date) pairs";
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", "( 10, @1972-JAN-1, 11 )")), pairs);
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", "( )")), pairs);
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", "( ten @1972-JAN-1 @x y )")),
              "invalid value for DELTET/DELTA_AT: delta value is not a valid number");
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", "( 10 @1972-JAN-1 11 @1972-JUL-0 x y )")),
              "invalid NAIF date literal \"@1972-JUL-0\"");
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", "( 10 @1972-JAN-1 11 @1972-JAN-1 )")),
              "DELTET/DELTA_AT entries must be strictly ascending in effective date");
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", "( 10 @1972-JUL-1 11 @1972-JAN-1 )")),
              "DELTET/DELTA_AT entries must be strictly ascending in effective date");

    // The append form is continuation text of the preceding assignment.
    const char* appended = "( 10, @1972-JAN-1 )\nDELTET/DELTA_AT += ( 11, @1972-JUL-1 )";
    EXPECT_EQ(open_error(kernel_text("DELTET/DELTA_AT", appended)),
        
              "invalid value for DELTET/DELTA_AT: delta value is not a valid number");
}

}  // namespace
}  // namespace orbyx
