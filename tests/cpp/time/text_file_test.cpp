#include "time/text_file.hpp"

#include <gtest/gtest.h>

#include "temp_text_file.hpp"

namespace orbyx {
namespace {

using Lines = std::vector<std::string_view>;

TEST(TextFile, ReadsWholeUtf8Files) {
    const std::string content =
        "line one\r\n\xe2\x80\x83" "caf\xc3\xa9\n" + std::string(100000, 'x');
    const testing::TempTextFile file("a.txt", content);
    EXPECT_EQ(read_text_file(file.path()).value(), content);
}

TEST(TextFile, ReportsReadFailures) {
    const testing::TempTextFile file("latin1.txt", "caf\xe9");
    EXPECT_EQ(read_text_file(file.path()).error().message(), "stream did not contain valid UTF-8");
    EXPECT_EQ(read_text_file(file.directory()).error().message(), "Is a directory (os error 21)");
    EXPECT_EQ(read_text_file(file.directory() + "/missing").error().message(),
              "No such file or directory (os error 2)");
    EXPECT_EQ(read_text_file(file.path() + std::string(1, '\0') + "x").error().message(),
              "file name contained an unexpected NUL byte");
}

TEST(TextFile, SplitsLinesAtLineFeed) {
    EXPECT_EQ(split_lines("a\r\nb\n\nc\r"), (Lines{"a", "b", "", "c"}));
    EXPECT_EQ(split_lines("a\n"), (Lines{"a"}));
    EXPECT_EQ(split_lines("a\r\r\n"), (Lines{"a\r"}));
    EXPECT_EQ(split_lines(""), Lines{});
}

}  // namespace
}  // namespace orbyx
