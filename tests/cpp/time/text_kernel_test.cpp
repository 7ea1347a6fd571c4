#include "time/text_kernel.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace orbyx {
namespace {

using Tokens = std::vector<std::string_view>;

TEST(DateLiteral, GivesTheJulianDayOfMidnightUtc) {
    EXPECT_EQ(parse_date_literal("@1972-JAN-1").value(), 2441317.5);
    EXPECT_EQ(parse_date_literal("@2017-JAN-1").value(), 2457754.5);
    EXPECT_EQ(parse_date_literal("@1972-jan-1").value(), 2441317.5);
    EXPECT_EQ(parse_date_literal("@+2000-Jan-+01").value(), 2451544.5);
    // Days past the month's end count on into the next months.
    EXPECT_EQ(parse_date_literal("@1972-JAN-32").value(),
        parse_date_literal("@1972-FEB-1").value());
    EXPECT_EQ(parse_date_literal("@1973-FEB-29").value(),
        parse_date_literal("@1973-MAR-1").value());
}

TEST(DateLiteral, RejectsOtherFormsQuotingTheWholeToken) {
    for (const char* token :
         {"@1972-JAN-0", "@1972-JANUARY-1", "@1972-JAN-1-0", "1972-JAN-1", "@-50-JAN-1",
          "@1972-JAN-1/00:00", "@1972-JAN", "@", "", "@1972-XYZ-1", "@1972-JA-1", "@1972--1",
          "@2147483648-JAN-1", "@1972-JAN-4294967296", "@1972-JAN--1", "@ 1972-JAN-1",
          "@++1972-JAN-1"}) {
        const auto result = parse_date_literal(token);
        ASSERT_FALSE(result.ok()) << token;
        EXPECT_EQ(result.error().kind(), LskError::Kind::InvalidDateLiteral);
        EXPECT_EQ(result.error().message(),
            std::string("invalid NAIF date literal \"") + token + "\"");
    }
    EXPECT_EQ(parse_date_literal("@\"1972\\-JAN-1\t").error().message(),
              "invalid NAIF date literal \"@\\\"1972\\\\-JAN-1\\t\"");
}

TEST(DateLiteral, JulianDayNumberUsesFloorDivisionForEarlyYears) {
    EXPECT_EQ(julian_day_number(2000, 1, 1), 2451545.0);
    EXPECT_EQ(julian_day_number(-4713, 11, 24), 0.0);
    // Year -10000 is a leap year of the proleptic calendar, -10001 is not.
    EXPECT_EQ(julian_day_number(-10000, 1, 1) - julian_day_number(-10001, 1, 1), 365.0);
    EXPECT_EQ(julian_day_number(-9999, 1, 1) - julian_day_number(-10000, 1, 1), 366.0);
    EXPECT_EQ(julian_day_number(-10000, 12, 31) + 1, julian_day_number(-9999, 1, 1));
    EXPECT_EQ(julian_day_number(-10001, 2, 29), julian_day_number(-10001, 3, 1));

    const double latest = julian_day_number(std::numeric_limits<std::int32_t>::max(), 12,
                                            std::numeric_limits<std::uint32_t>::max());
    const double earliest = julian_day_number(std::numeric_limits<std::int32_t>::min(), 1, 1);
    EXPECT_GT(latest, 7.8e11);
    EXPECT_LT(earliest, -7.8e11);
}

TEST(ValueTokens, SplitsAtWhiteSpaceAndCommasInsideOuterParentheses) {
    EXPECT_EQ(value_tokens("( 10, @1972-JAN-1,\n 11 @1972-JUL-1 )"),
              (Tokens{"10", "@1972-JAN-1", "11", "@1972-JUL-1"}));
    EXPECT_EQ(value_tokens("((1 2))"), (Tokens{"1", "2"}));
    EXPECT_EQ(value_tokens("(1 (2) 3)"), (Tokens{"1", "(2)", "3"}));
    EXPECT_EQ(value_tokens(",,1,,2,"), (Tokens{"1", "2"}));
    EXPECT_EQ(value_tokens("1\xc2\xa0" "2\xe2\x80\x83" "3"), (Tokens{"1", "2", "3"}));
    EXPECT_EQ(value_tokens("  1.657D-3  "), (Tokens{"1.657D-3"}));
    EXPECT_EQ(value_tokens(" ( ) "), Tokens{});
    EXPECT_EQ(value_tokens(""), Tokens{});
}

TEST(Assignments, ContinuationLinesExtendThePendingValue) {
    const auto assignments = parse_assignments(
        "ignored before any assignment\n"
        "A = ( 1,\r\n"
        "      2 )\n"
        "\n"
        "B/C_2=x=y\n"
        "EMPTY =\n");
    EXPECT_EQ(assignments.size(), 3u);
    EXPECT_EQ(assignments.at("A"), "( 1, 2 )");
    EXPECT_EQ(assignments.at("B/C_2"), "x=y");
    EXPECT_EQ(assignments.at("EMPTY"), "");
}

TEST(Assignments, OnlyValidKeysStartAnAssignment) {
    const auto assignments = parse_assignments(
        "A = (1)\n"
        "A += (2)\n"
        "1X = 3\n"
        "A B = 4\n"
        "_U = 5\n"
        "a = 6\n");
    EXPECT_EQ(assignments.at("A"), "(1) A += (2) 1X = 3 A B = 4 _U = 5");
    EXPECT_EQ(assignments.at("a"), "6");
    EXPECT_EQ(assignments.size(), 2u);
}

TEST(Assignments, LaterAssignmentReplacesEarlier) {
    const auto assignments = parse_assignments("K = 1\nJ = 2\nK = ( 3\n 4 )\n");
    EXPECT_EQ(assignments.at("K"), "( 3 4 )");
    EXPECT_EQ(assignments.at("J"), "2");
}

TEST(DataSections, KeepsOnlyLinesBetweenMarkers) {
    const auto data = extract_data_sections(
        "A = 0\n"
        "  \\begindata \r\n"
        "B = 1\r\n"
        "\\begintext\n"
        "C = 2\n"
        "\\begindata extra\n"
        "\t\\begindata\n"
        " D = 3");
    ASSERT_TRUE(data.ok());
    EXPECT_EQ(*data, "B = 1\n D = 3\n");
}

TEST(DataSections, MissingOrBlankDataFails) {
    for (const char* text : {"", "A = 1\n", "\\begintext\nA = 1\n", "\\begindata",
                             "\\begindata\n  \n\t\r\n\\begintext\nA = 1\n"}) {
        const auto data = extract_data_sections(text);
        ASSERT_FALSE(data.ok()) << text;
        EXPECT_EQ(data.error().message(), "leap-second kernel has no \\begindata section");
    }
}

}  // namespace
}  // namespace orbyx
