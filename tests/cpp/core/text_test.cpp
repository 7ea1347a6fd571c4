#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "core/provenance.hpp"
#include "core/utf8.hpp"

namespace orbyx {
namespace {

TEST(Utf8, ValidatesAndReplacesMaximalInvalidSubparts) {
    EXPECT_TRUE(is_valid_utf8("DAF/SPK \xC3\xA9\xF0\x9F\x9A\x80"));
    EXPECT_FALSE(is_valid_utf8("\xFF"));
    EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(is_valid_utf8("\xE2\x82"));      // truncated
    EXPECT_EQ(decode_utf8_lossy("NAIF\xFF/DAF"), "NAIF\xEF\xBF\xBD/DAF");
    EXPECT_EQ(decode_utf8_lossy("a\xE2\x82z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(decode_utf8_lossy("\xF0\x9F\x9A"), "\xEF\xBF\xBD");
}

TEST(Utf8, TrimsUnicodeWhiteSpaceOnly) {
    EXPECT_EQ(trim_white_space(" \t\x0B\xC2\xA0\xE3\x80\x80 x y \r\n"), "x y");
    EXPECT_EQ(trim_white_space("\xE2\x80\x8Bx"), "\xE2\x80\x8Bx");  // zero-width space is not White_Space
    EXPECT_EQ(trim_white_space("   "), "");
}

TEST(Utf8, ReadsNothingPastTheEndOfTextCutShort) {
    // At the very end of a heap block, where AddressSanitizer sees a read past it;
    // a name parser was handed these bytes by the fuzzer.
    const std::vector<char> bytes = {'\x99', '\xCD', '\xCF', '\xCF', '\xCF'};
    const std::string_view text(bytes.data(), bytes.size());
    EXPECT_EQ(trim_white_space(text), text);
    std::size_t pos = 4;
    EXPECT_EQ(next_code_point(text, pos), U'\uFFFD');
    EXPECT_EQ(pos, 5u);
}

TEST(FileName, IsTheLastOrdinaryComponent) {
    EXPECT_EQ(file_name_of("/data/de421.bsp"), "de421.bsp");
    EXPECT_EQ(file_name_of("data//de421.bsp/"), "de421.bsp");
    EXPECT_EQ(file_name_of("data/de421.bsp/."), "de421.bsp");
    EXPECT_EQ(file_name_of("./x"), "x");
    for (const char* none : {"", "/", ".", "./", "data/..", "..", "a/../"}) {
        EXPECT_EQ(file_name_of(none), std::nullopt) << none;
    }
    EXPECT_EQ(file_name_of("dir/\xFF.bsp"), std::nullopt);
}

TEST(Sha256Text, ChecksFormOnly) {
    const std::string digest(64, 'a');
    EXPECT_TRUE(is_sha256_hex(digest));
    EXPECT_TRUE(is_sha256_hex(std::string(32, 'F') + std::string(32, '9')));
    EXPECT_FALSE(is_sha256_hex(digest.substr(1)));
    EXPECT_FALSE(is_sha256_hex(digest + "a"));
    EXPECT_FALSE(is_sha256_hex(std::string(63, 'a') + "g"));
    EXPECT_EQ(ascii_lowercase("ABCdef09"), "abcdef09");
}

}  // namespace
}  // namespace orbyx
