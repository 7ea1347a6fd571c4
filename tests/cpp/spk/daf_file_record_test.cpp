#include "spk/daf_file_record.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

using test::DafImage;

std::array<std::uint8_t, DAF_RECORD_BYTES> record_of(DafImage& image) {
    std::array<std::uint8_t, DAF_RECORD_BYTES> record{};
    std::memcpy(record.data(), image.bytes().data(), record.size());
    return record;
}

std::string error_of(DafImage& image) {
    const auto parsed = parse_file_record(record_of(image));
    return parsed ? "ok" : parsed.error().message();
}

DafImage valid_record(bool big_endian = false) {
    DafImage image(1, big_endian);
    image.put_file_record(2, 3);
    return image;
}

TEST(ParseFileRecord, ReadsTheFieldsInEitherByteOrder) {
    for (const bool big_endian : {false, true}) {
        DafImage image = valid_record(big_endian);
        image.put_text(16, "  JPL planetary ephemeris");  // leading blanks stay
        image.put_text(16 + 25, std::string("  \0 ", 4));
        const auto parsed = parse_file_record(record_of(image));
        ASSERT_TRUE(parsed) << parsed.error().message();
        EXPECT_EQ(parsed->internal_file_name, "  JPL planetary ephemeris");
        EXPECT_EQ(parsed->nd, 2u);
        EXPECT_EQ(parsed->ni, 6u);
        EXPECT_EQ(parsed->forward, 2u);
        EXPECT_EQ(parsed->backward, 3u);
        EXPECT_EQ(parsed->first_free, 1024u);
        EXPECT_EQ(parsed->big_endian, big_endian);
        EXPECT_EQ(parsed->summary_words(), 5u);
    }
}

// Starts with every check failing and mends one fault at a time, so each message
// must appear in turn.
TEST(ParseFileRecord, ChecksRunInOrderWithTheirTexts) {
    DafImage image = valid_record();
    image.put_text(0, "DAF/PCK ");
    image.put_text(88, "\xff-IEEE  ");
    image.put_u32(8, 0);
    image.put_u32(76, 1);
    image.put_u32(84, 128);
    image.put_text(16, "\xc3(");

    EXPECT_EQ(error_of(image), "expected DAF/SPK file identifier, found \"DAF/PCK \"");
    image.put_text(0, "DAF/SPK ");
    EXPECT_EQ(error_of(image), "invalid UTF-8 in binary format");
    image.put_text(88, std::string("VAX-G\0 \0", 8));
    EXPECT_EQ(error_of(image), "unsupported DAF binary format \"VAX-G\"");
    image.put_text(88, "LTL-IEEE");
    EXPECT_EQ(error_of(image), "invalid DAF file record: summary component counts must be non-zero");
    image.put_u32(8, 2);
    image.put_u32(12, 248);  // SS = 2 + 124 = 126
    EXPECT_EQ(error_of(image), "invalid DAF file record: packed summary cannot fit in a DAF summary record");
    image.put_u32(12, 246);  // SS = 125
    EXPECT_EQ(error_of(image), "invalid DAF file record: summary record pointers are inconsistent");
    image.put_u32(76, 4);  // BWARD 3 < FWARD 4
    EXPECT_EQ(error_of(image), "invalid DAF file record: summary record pointers are inconsistent");
    image.put_u32(76, 3);
    EXPECT_EQ(error_of(image), "invalid DAF file record: first free address points inside the file record");
    image.put_u32(84, 129);
    EXPECT_EQ(error_of(image), "invalid UTF-8 in internal file name");
    image.put_text(16, "ok");
    EXPECT_EQ(error_of(image), "ok");
}

TEST(ParseFileRecord, RejectsOtherIdentifiersAndFormats) {
    DafImage image = valid_record();
    image.put_text(0, "NAIF/DAF");
    EXPECT_EQ(error_of(image), "expected DAF/SPK file identifier, found \"NAIF/DAF\"");
    image.put_text(0, std::string("DAF/SPK\0", 8));
    EXPECT_EQ(error_of(image), "expected DAF/SPK file identifier, found \"DAF/SPK\\0\"");

    image = valid_record();
    image.put_text(88, "VAX-GFLT");
    EXPECT_EQ(error_of(image), "unsupported DAF binary format \"VAX-GFLT\"");
    image.put_text(88, " LTL-IEE");
    EXPECT_EQ(error_of(image), "unsupported DAF binary format \" LTL-IEE\"");
    image.put_text(88, std::string(8, '\0'));
    EXPECT_EQ(error_of(image), "unsupported DAF binary format \"\"");
}

TEST(ParseFileRecord, CountsAreUnsigned32Bit) {
    DafImage image = valid_record();
    image.put_u32(12, 0);
    EXPECT_EQ(error_of(image), "invalid DAF file record: summary component counts must be non-zero");

    image.put_u32(8, 125);
    image.put_u32(12, 1);  // SS = 126
    EXPECT_EQ(error_of(image), "invalid DAF file record: packed summary cannot fit in a DAF summary record");
    image.put_u32(8, 124);  // SS = 125 fits
    EXPECT_EQ(error_of(image), "ok");

    // SS wraps to 0 in 32-bit arithmetic and passes; only the chain walk refuses it.
    image.put_u32(8, 0xFFFFFFFF);
    image.put_u32(12, 2);
    EXPECT_EQ(error_of(image), "ok");

    // ND and NI are read in the declared byte order.
    image = valid_record(true);
    image.put_text(88, "LTL-IEEE");
    EXPECT_EQ(error_of(image), "invalid DAF file record: packed summary cannot fit in a DAF summary record");
}

TEST(ParseAsciiField, TrimsOnlyTrailingBlanksAndNuls) {
    const std::array<std::uint8_t, 6> padded{' ', 'a', ' ', 'b', 0, ' '};
    EXPECT_EQ(parse_ascii_field(padded, "x").value(), " a b");
    const std::array<std::uint8_t, 3> blank{' ', 0, ' '};
    EXPECT_EQ(parse_ascii_field(blank, "x").value(), "");
    const std::array<std::uint8_t, 4> accented{0xC3, 0xA9, 0, 0};
    EXPECT_EQ(parse_ascii_field(accented, "x").value(), "\xc3\xa9");
    const std::array<std::uint8_t, 2> broken{0xC3, ' '};
    EXPECT_EQ(parse_ascii_field(broken, "segment identifier").error().message(),
              "invalid UTF-8 in segment identifier");
}

}  // namespace
}  // namespace orbyx
