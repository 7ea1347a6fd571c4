#include "time/earth_orientation_table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "temp_text_file.hpp"

namespace orbyx {
namespace {

using testing::TempTextFile;

const std::string SHA256(64, 'a');
constexpr double FIRST_DAY = 2460000.5;  // MJD 60000
constexpr double LAST_DAY = 2460002.5;

// year month day hour MJD x y UT1-UTC, then columns that are never read.
const std::string TABLE =
    "# IERS EOP 20 C04 excerpt\n"
    "#  YR  MM  DD  HH     MJD       x(\")       y(\")  UT1-UTC(s)   dX  dY\n"
    "\n"
    "2023   2  25   0  60000.00  0.100000  0.300000   0.1000000  0.0  n/a\n"
    "2023   2  26   0  60001.00  0.300000  0.500000   0.2000000  0.0  n/a\r\n"
    "2023   2  27   0  60002.00  0.200000  0.400000  -0.3000000  0.0  n/a\n";

Result<EarthOrientationTable, EopError> open_text(std::string_view text,
                                                  std::string_view sha256 = SHA256) {
    const TempTextFile file("eopc04.test", text);
    return EarthOrientationTable::open(file.path(), sha256);
}

std::string open_error(std::string_view text) {
    const auto table = open_text(text);
    return table.ok() ? "opened" : table.error().message();
}

EarthOrientationTable table_of(std::string_view text) {
    auto table = open_text(text);
    EXPECT_TRUE(table.ok()) << table.error().message();
    return std::move(table).value();
}

TEST(EarthOrientationTable, OpensAndKeepsEveryRow) {
    const auto table = open_text(TABLE, std::string(64, 'D'));
    ASSERT_TRUE(table.ok()) << table.error().message();
    EXPECT_EQ(table->name(), "eopc04.test");
    EXPECT_EQ(table->sha256(), std::string(64, 'd'));
    ASSERT_EQ(table->samples().size(), 3u);
    const EopSample& last = table->samples().back();
    EXPECT_EQ(last.utc_julian_day, LAST_DAY);
    EXPECT_EQ(last.dut1, -0.3);
    EXPECT_EQ(last.x, 0.2);
    EXPECT_EQ(last.y, 0.4);
}

TEST(EarthOrientationTable, OpeningErrorsInOrder) {
    EXPECT_EQ(EarthOrientationTable::open("/", "bad").error().message(),
        "EOP table path has no filename");
    EXPECT_EQ(EarthOrientationTable::open("/nonexistent-orbyx-dir/eop", "bad").error().message(),
              "No such file or directory (os error 2)");
    EXPECT_EQ(open_text(TABLE, "bad").error().message(),
        "EOP table SHA-256 must be 64 hexadecimal characters");
    EXPECT_EQ(open_text("not a table", std::string(64, 'g')).error().kind(),
        EopError::Kind::InvalidSha256);
    EXPECT_EQ(open_error("# only comments\n\n   \n# and blanks\n"),
        "EOP table contains no DUT1 samples");
    EXPECT_EQ(open_error(""), "EOP table contains no DUT1 samples");
}

TEST(EarthOrientationTable, LineNumbersCountEveryLine) {
    std::string text = "# header\n\n2023 2 25 0 60000 0.1 0.3 0.1\n";
    for (int line = 4; line < 12; ++line) text += line % 2 == 0 ? "  # comment\r\n" : " \t \n";
    text += "2023 2 26 0 60001 0.3 0.5\n";
    EXPECT_EQ(open_error(text), "invalid IERS EOP 20 C04 line 12");
}

TEST(EarthOrientationTable, RowValuesMustBeNumbersAndFinite) {
    const std::string good = "2023 2 25 0 60000 0.1 0.3 0.1\n";
    EXPECT_EQ(open_error(good + "2023 2 26 0 60001 0.3 0.5 nan\n"),
        "EOP epoch, DUT1, and polar motion must be finite");
    EXPECT_EQ(open_error(good + "2023 2 26 0 60001 -inf 0.5 0.2\n"),
        "EOP epoch, DUT1, and polar motion must be finite");
    // Every field is read before any is checked for being finite.
    EXPECT_EQ(open_error(good + "2023 2 26 0 nan 0.3 0.5 0.2s\n"),
        "invalid IERS EOP 20 C04 line 2");
    EXPECT_EQ(open_error(good + "2023 2 26 0 60001 0,3 0.5 0.2\n"),
        "invalid IERS EOP 20 C04 line 2");
    // Neither the calendar fields nor the columns after UT1-UTC are read.
    EXPECT_EQ(open_error(good + "year month day hour 60001 0.3 0.5 0.2 bad\n"), "opened");
}

TEST(EarthOrientationTable, SamplesMustIncrease) {
    const std::string first = "2023 2 25 0 60000 0.1 0.3 0.1\n";
    const std::string message = "EOP DUT1 samples must be strictly increasing in UTC";
    EXPECT_EQ(open_error(first + "2023 2 25 0 60000.0 0.1 0.3 0.1\n"), message);
    EXPECT_EQ(open_error(first + "2023 2 24 0 59999 0.1 0.3 0.1\n"), message);
}

TEST(C04Line, ReadsTheFifthToEighthFields) {
    const auto sample =
        parse_c04_line("2023\t2 25 0\xe2\x80\x83" "60000.25  -1.5e-1 +.3 -0.0203 x", 7);
    ASSERT_TRUE(sample.ok());
    EXPECT_EQ(sample->utc_julian_day, 2460000.75);
    EXPECT_EQ(sample->x, -0.15);
    EXPECT_EQ(sample->y, 0.3);
    EXPECT_EQ(sample->dut1, -0.0203);
    EXPECT_EQ(parse_c04_line("1 2 3 4 5 6 7", 9).error().message(),
        "invalid IERS EOP 20 C04 line 9");
}

TEST(EarthOrientationTable, InterpolatesLinearlyInsideCoverage) {
    const auto table = table_of(TABLE);
    // Both ends belong to the coverage and return their rows unchanged.
    const EopSample first = table.interpolated_sample(FIRST_DAY).value();
    EXPECT_EQ(first.dut1, 0.1);
    EXPECT_EQ(first.x, 0.1);
    EXPECT_EQ(table.interpolated_sample(LAST_DAY)->dut1, -0.3);

    const EopSample middle = table.interpolated_sample(FIRST_DAY + 0.5).value();
    EXPECT_EQ(middle.utc_julian_day, FIRST_DAY + 0.5);
    EXPECT_EQ(middle.dut1, (0.1 + 0.2) / 2);
    EXPECT_EQ(middle.x, (0.1 + 0.3) / 2);
    EXPECT_EQ(middle.y, (0.3 + 0.5) / 2);
    EXPECT_NEAR(table.interpolated_sample(FIRST_DAY + 1.25)->dut1, 0.075, 1e-15);

    const auto pole = table.polar_motion_arcsec(FIRST_DAY + 1.5).value();
    EXPECT_EQ(pole.first, (0.3 + 0.2) / 2);
    EXPECT_EQ(pole.second, (0.5 + 0.4) / 2);
}

TEST(EarthOrientationTable, RefusesDaysOutsideCoverage) {
    const auto table = table_of(TABLE);
    EXPECT_EQ(table.interpolated_sample(FIRST_DAY - 1e-6).error().message(),
              "UTC Julian day 2460000.499999 is outside EOP coverage [2460000.5, 2460002.5]");
    EXPECT_EQ(table.polar_motion_arcsec(LAST_DAY + 1e-6).error().message(),
              "UTC Julian day 2460002.500001 is outside EOP coverage [2460000.5, 2460002.5]");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(table.interpolated_sample(nan).error().kind(), EopError::Kind::NonFinite);
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(table.utc_julian_day_from_ut1(-infinity).error().message(),
        
              "EOP epoch, DUT1, and polar motion must be finite");
}

TEST(UtcFromUt1, InvertsDut1) {
    const auto table = table_of(TABLE);
    // UT1 = UTC + 0.1 s + 0.1 s/day * (UTC - FIRST_DAY): solved for UTC by hand.
    const double ut1 = FIRST_DAY + 0.5;
    EXPECT_NEAR(table.utc_julian_day_from_ut1(ut1).value(), ut1 - 0.15 / 86400.1, 1e-9);
}

TEST(UtcFromUt1, TakesExactlyThreeSteps) {
    // DUT1 rising by 0.1 day per day makes each step visible.
    const auto table = table_of("0 0 0 0 60000 0 0 0\n0 0 0 0 60001 0 0 8640\n");
    // UTC estimates from UT1 = FIRST_DAY + 0.5: +0.45, +0.455, +0.4545 (converging to +0.4545...).
    EXPECT_NEAR(table.utc_julian_day_from_ut1(FIRST_DAY + 0.5).value(), FIRST_DAY + 0.4545, 1e-9);
}

TEST(UtcFromUt1, FailsWhenAnEstimateLeavesCoverage) {
    const auto table = table_of(TABLE);
    // DUT1 is negative at the last row, so the first UTC estimate lies past it.
    EXPECT_EQ(table.utc_julian_day_from_ut1(LAST_DAY).error().message(),
              "UTC Julian day 2460002.5000034724 is outside EOP coverage [2460000.5, 2460002.5]");
    // A failing first step names the UT1 day itself.
    EXPECT_EQ(table.utc_julian_day_from_ut1(FIRST_DAY - 1).error().message(),
              "UTC Julian day 2459999.5 is outside EOP coverage [2460000.5, 2460002.5]");
}

}  // namespace
}  // namespace orbyx
