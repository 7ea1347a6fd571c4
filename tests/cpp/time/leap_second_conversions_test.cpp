#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/constants.hpp"
#include "core/format.hpp"
#include "temp_text_file.hpp"
#include "time/leap_second_kernel.hpp"

namespace orbyx {
namespace {

using testing::TempTextFile;

const std::string SHA256(64, 'a');
constexpr double FIRST_LEAP_DAY = 2441317.5;  // 1972-01-01, 10 s
constexpr double LAST_LEAP_DAY = 2457754.5;   // 2017-01-01, 37 s
constexpr double DELTA_T_A = 32.184;
constexpr double NAN_DAY = std::numeric_limits<double>::quiet_NaN();
constexpr double INFINITE_DAY = std::numeric_limits<double>::infinity();

const std::string MISSING_EOP =
    "UT1 requires an Earth orientation table (DUT1); attach one with SpkEphemeris::with_eop";

LeapSecondKernel leap_seconds() {
    auto kernel = LeapSecondKernel::open(ORBYX_TEST_DATA_DIR "/leapseconds.tls", SHA256);
    EXPECT_TRUE(kernel.ok()) << kernel.error().message();
    return std::move(kernel).value();
}

// Three days from UTC 2460000.5 with DUT1 0.1, 0.2, -0.3 s.
EarthOrientationTable small_table() {
    const TempTextFile file("eopc04.test",
                            "2023 2 25 0 60000.00 0.1 0.3  0.1\n"
                            "2023 2 26 0 60001.00 0.3 0.5  0.2\n"
                            "2023 2 27 0 60002.00 0.2 0.4 -0.3\n");
    auto table = EarthOrientationTable::open(file.path(), SHA256);
    EXPECT_TRUE(table.ok()) << table.error().message();
    return std::move(table).value();
}

std::string error_of(const Result<double, UtcConversionError>& result) {
    return result.ok() ? "converted to " + format_number(*result) : result.error().message();
}

TEST(LeapSecondConversions, OffsetInForceFromEachEntryDateOn) {
    const LeapSecondKernel lsk = leap_seconds();
    EXPECT_EQ(*lsk.tt_julian_day(TimeScale::Utc, nullptr, FIRST_LEAP_DAY),
              FIRST_LEAP_DAY + (10 + DELTA_T_A) / 86400);
    EXPECT_EQ(*lsk.tt_julian_day(TimeScale::Utc, nullptr, LAST_LEAP_DAY),
              LAST_LEAP_DAY + (37 + DELTA_T_A) / 86400);
    EXPECT_EQ(*lsk.tt_julian_day(TimeScale::Utc, nullptr, LAST_LEAP_DAY - 1e-6),
              LAST_LEAP_DAY - 1e-6 + (36 + DELTA_T_A) / 86400);
    // The last offset holds for ever after.
    EXPECT_EQ(*lsk.tt_julian_day(TimeScale::Utc, nullptr, 2500000.5),
              2500000.5 + (37 + DELTA_T_A) / 86400);
}

TEST(LeapSecondConversions, RefusesDaysBeforeTheFirstEntry) {
    const LeapSecondKernel lsk = leap_seconds();
    const std::string before =
        "UTC Julian day 2441317.4999 precedes the kernel's earliest leap-second entry "
        "(2441317.5); the offset is not extrapolated";
    EXPECT_EQ(error_of(lsk.tdb_seconds(TimeScale::Utc, 2441317.4999)), before);
    EXPECT_EQ(error_of(lsk.tt_julian_day(TimeScale::Utc, nullptr, 2441317.4999)), before);
    EXPECT_TRUE(lsk.tdb_seconds(TimeScale::Utc, FIRST_LEAP_DAY).ok());

    // TT to UTC starts from the latest offset, so its first estimate falls below the
    // first entry although the true UTC day would not.
    const double tt = FIRST_LEAP_DAY + (10 + DELTA_T_A) / 86400 + 1e-4;
    const double estimate = tt + (37 + DELTA_T_A) / -86400;
    EXPECT_EQ(error_of(lsk.utc_julian_day(TimeScale::Tt, nullptr, tt)),
              "UTC Julian day " + format_number(estimate) +
                  " precedes the kernel's earliest leap-second entry (2441317.5); the offset "
                  "is not extrapolated");
}

TEST(LeapSecondConversions, TdbSecondsPerScale) {
    const LeapSecondKernel lsk = leap_seconds();
    EXPECT_EQ(*lsk.tdb_seconds(TimeScale::Tdb, 2451546.0), 86400.0);
    // TDB - TT is about -72 microseconds at J2000 and never above 1.7 ms.
    EXPECT_NEAR(*lsk.tdb_seconds(TimeScale::Tt, J2000_JULIAN_DAY), -7.2e-5, 2e-6);
    for (double day = 2440000.5; day < 2470000; day += 97.3) {
        EXPECT_LT(std::abs(*lsk.tdb_seconds(TimeScale::Tt, day) - seconds_since_j2000(day)), 1.7e-3);
    }
    // UTC 2017-01-01 is TT + 69.184 s, then TDB - TT on top.
    const double tt = (LAST_LEAP_DAY - J2000_JULIAN_DAY) * 86400 + 37 + DELTA_T_A;
    EXPECT_NEAR(*lsk.tdb_seconds(TimeScale::Utc, LAST_LEAP_DAY),
                *lsk.tdb_seconds(TimeScale::Tt, julian_day_from_seconds(tt)), 1e-5);
    EXPECT_EQ(error_of(lsk.tdb_seconds(TimeScale::Ut1, LAST_LEAP_DAY)),
              "conversion from Ut1 to TDB is not implemented");
}

TEST(LeapSecondConversions, TdbToTtAndBackAgree) {
    const LeapSecondKernel lsk = leap_seconds();
    for (double day = 2440000.5; day < 2470000; day += 1234.567) {
        const double tt = *lsk.tt_julian_day(TimeScale::Tdb, nullptr, day);
        // Beyond the rounding of the intermediate Julian day itself.
        const double day_rounding_s = (std::nextafter(tt, INFINITE_DAY) - tt) * 86400;
        EXPECT_NEAR(*lsk.tdb_seconds(TimeScale::Tt, tt), seconds_since_j2000(day),
                    1e-6 + day_rounding_s);
    }
}

TEST(LeapSecondConversions, UtcFromTtInvertsUtcToTt) {
    const LeapSecondKernel lsk = leap_seconds();
    for (double utc : {2441500.25, 2451545.0, 2457754.75, 2460000.5}) {
        const double tt = *lsk.tt_julian_day(TimeScale::Utc, nullptr, utc);
        EXPECT_NEAR(*lsk.utc_julian_day(TimeScale::Tt, nullptr, tt), utc, 1e-9);
        const double tdb = julian_day_from_seconds(*lsk.tdb_seconds(TimeScale::Utc, utc));
        EXPECT_NEAR(*lsk.utc_julian_day(TimeScale::Tdb, nullptr, tdb), utc, 1e-9);
    }
    EXPECT_EQ(*lsk.utc_julian_day(TimeScale::Utc, nullptr, 2451545.25), 2451545.25);
}

TEST(LeapSecondConversions, Ut1NeedsTheTable) {
    const LeapSecondKernel lsk = leap_seconds();
    const EarthOrientationTable eop = small_table();
    EXPECT_EQ(error_of(lsk.tt_julian_day(TimeScale::Ut1, nullptr, 2460001.5)), MISSING_EOP);
    EXPECT_EQ(error_of(lsk.utc_julian_day(TimeScale::Ut1, nullptr, 2460001.5)), MISSING_EOP);
    // Only the conversion with a table handles UT1.
    EXPECT_EQ(error_of(lsk.tdb_seconds(TimeScale::Ut1, 2460001.5)),
              "conversion from Ut1 to TDB is not implemented");

    const double utc = 2460001.5;
    const double ut1 = *lsk.ut1_julian_day(TimeScale::Utc, eop, utc);
    EXPECT_EQ(ut1, utc + 0.2 / 86400);
    EXPECT_EQ(*lsk.ut1_julian_day(TimeScale::Ut1, eop, ut1), ut1);
    EXPECT_NEAR(*lsk.utc_julian_day(TimeScale::Ut1, &eop, ut1), utc, 1e-10);
    EXPECT_EQ(*lsk.tdb_seconds_with_eop(TimeScale::Ut1, eop, ut1),
              *lsk.tdb_seconds(TimeScale::Utc, *eop.utc_julian_day_from_ut1(ut1)));
    EXPECT_EQ(*lsk.tdb_seconds_with_eop(TimeScale::Tt, eop, ut1), *lsk.tdb_seconds(TimeScale::Tt, ut1));
    EXPECT_NEAR(*lsk.tt_julian_day(TimeScale::Ut1, &eop, ut1), utc + (37 + DELTA_T_A) / 86400, 1e-10);

    // TT to UT1 goes through UTC and DUT1 interpolated there.
    const double tt = utc + 0.5 + (37 + DELTA_T_A) / 86400;
    EXPECT_NEAR(*lsk.ut1_julian_day(TimeScale::Tt, eop, tt), utc + 0.5 + (0.2 - 0.25) / 86400, 1e-10);
}

TEST(LeapSecondConversions, TableErrorsPassThrough) {
    const LeapSecondKernel lsk = leap_seconds();
    const EarthOrientationTable eop = small_table();
    const std::string outside = "UTC Julian day 2459999 is outside EOP coverage [2460000.5, 2460002.5]";
    EXPECT_EQ(error_of(lsk.ut1_julian_day(TimeScale::Utc, eop, 2459999)), outside);
    EXPECT_EQ(error_of(lsk.tdb_seconds_with_eop(TimeScale::Ut1, eop, 2459999)), outside);
    EXPECT_EQ(error_of(lsk.tt_julian_day(TimeScale::Ut1, &eop, 2459999)), outside);
    EXPECT_EQ(error_of(lsk.utc_julian_day(TimeScale::Ut1, &eop, 2459999)), outside);
}

TEST(LeapSecondConversions, EveryConversionRefusesNonFiniteDays) {
    const LeapSecondKernel lsk = leap_seconds();
    const EarthOrientationTable eop = small_table();
    for (double day : {NAN_DAY, INFINITE_DAY, -INFINITE_DAY}) {
        for (TimeScale scale : {TimeScale::Utc, TimeScale::Ut1, TimeScale::Tt, TimeScale::Tdb}) {
            SCOPED_TRACE(std::string(debug_name(scale)) + " " + format_number(day));
            for (const auto& result :
                 {lsk.tdb_seconds(scale, day), lsk.tdb_seconds_with_eop(scale, eop, day),
                  lsk.tt_julian_day(scale, nullptr, day), lsk.tt_julian_day(scale, &eop, day),
                  lsk.utc_julian_day(scale, nullptr, day), lsk.utc_julian_day(scale, &eop, day),
                  lsk.ut1_julian_day(scale, eop, day)}) {
                EXPECT_EQ(error_of(result), "Julian day must be finite");
            }
        }
    }
}

}  // namespace
}  // namespace orbyx
