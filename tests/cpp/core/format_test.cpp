#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "core/errors.hpp"
#include "core/format.hpp"

namespace orbyx {
namespace {

TEST(FormatNumber, ShortestPlainDecimal) {
    EXPECT_EQ(format_number(2451545.0), "2451545");
    EXPECT_EQ(format_number(2451545.5), "2451545.5");
    EXPECT_EQ(format_number(0.5), "0.5");
    EXPECT_EQ(format_number(-0.25), "-0.25");
    EXPECT_EQ(format_number(100.0), "100");
    EXPECT_EQ(format_number(0.1), "0.1");
    EXPECT_EQ(format_number(1e21), "1000000000000000000000");
    EXPECT_EQ(format_number(1.5e-7), "0.00000015");
    EXPECT_EQ(format_number(2441317.4999), "2441317.4999");
    EXPECT_EQ(format_number(-0.0), "-0");
    EXPECT_EQ(format_number(0.0), "0");
    EXPECT_EQ(format_number(std::nan("")), "NaN");
    EXPECT_EQ(format_number(INFINITY), "inf");
    EXPECT_EQ(format_number(-INFINITY), "-inf");
}

TEST(FormatNumber, RoundTripsEveryDigit) {
    for (double value : {1.0 / 3.0, 2457754.5 + 69.184 / 86400, 5e-324, 1.7976931348623157e308}) {
        const std::string text = format_number(value);
        double parsed = 0;
        std::from_chars(text.data(), text.data() + text.size(), parsed);
        EXPECT_EQ(parsed, value) << text;
    }
}

TEST(FormatNumberDebug, KeepsFractionAndSwitchesToExponentAtTheEdges) {
    EXPECT_EQ(format_number_debug(2451545.0), "2451545.0");
    EXPECT_EQ(format_number_debug(-0.0), "-0.0");
    EXPECT_EQ(format_number_debug(0.0001), "0.0001");
    EXPECT_EQ(format_number_debug(1.5e-5), "1.5e-5");
    EXPECT_EQ(format_number_debug(9999999999999998.0), "9999999999999998.0");
    EXPECT_EQ(format_number_debug(1e16), "1e16");
    EXPECT_EQ(format_number_debug(-1.25e20), "-1.25e20");
    EXPECT_EQ(format_number_debug(std::nan("")), "NaN");
    EXPECT_EQ(format_number_debug(-INFINITY), "-inf");
}

TEST(Quote, EscapesQuotesBackslashesAndInvisibleCharacters) {
    EXPECT_EQ(quote("de421.bsp"), "\"de421.bsp\"");
    EXPECT_EQ(quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(quote(std::string_view("\0\t\r\n", 4)), "\"\\0\\t\\r\\n\"");
    EXPECT_EQ(quote("\x01\x7f"), "\"\\u{1}\\u{7f}\"");
    EXPECT_EQ(quote("\xC2\x85"), "\"\\u{85}\"");            // C1 control
    EXPECT_EQ(quote("\xE2\x80\x8B"), "\"\\u{200b}\"");      // zero-width space
    EXPECT_EQ(quote("\xEF\xBF\xBD\xC3\xA9"), "\"\xEF\xBF\xBD\xC3\xA9\"");  // printable as is
    EXPECT_EQ(quote("'"), "\"'\"");
}

TEST(Errors, DisplayTextsFillTheirPayloads) {
    EXPECT_EQ(EphemerisError::unsupported_body(Body::Pluto).message(), "unsupported body: Pluto");
    EXPECT_EQ(EphemerisError::out_of_range(2500000.0, 2414864.5, 2471184.5, TimeScale::Tdb).message(),
              "Julian day 2500000 is outside kernel range 2414864.5..2471184.5 Tdb");
    EXPECT_EQ(EphemerisError::evaluation("SPK kernel has no segments").message(),
              "SPK kernel has no segments");
    EXPECT_EQ(TimeConversionError::unsupported_conversion(TimeScale::Ut1).message(),
              "conversion from Ut1 to TDB is not implemented");
    EXPECT_EQ(TimeConversionError::non_finite_julian_day().message(), "Julian day must be finite");
    EXPECT_EQ(message(CoordinateError::InvalidLatitude),
              "geodetic latitude must be finite and within [-90, 90] degrees");
}

}  // namespace
}  // namespace orbyx
