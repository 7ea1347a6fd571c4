#include "time/decimal_number.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "time/text_kernel.hpp"

namespace orbyx {
namespace {

TEST(DecimalNumber, AcceptsTheDecimalForms) {
    const std::pair<const char*, double> cases[] = {
        {"1", 1.0},        {"+1", 1.0},       {"-1.5", -1.5},   {"1.", 1.0},
        {".5", 0.5},       {"-.5", -0.5},     {"007", 7.0},     {"1e5", 1e5},
        {"1E+5", 1e5},     {"1.e-5", 1e-5},   {"2.5E-3", 2.5e-3},
        {"0.1000000000000000055511151231257827", 0.1},
    };
    for (const auto& [text, expected] : cases) {
        const auto value = parse_decimal_number(text);
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_EQ(*value, expected) << text;
    }
}

TEST(DecimalNumber, AcceptsInfinityAndNanWordsInAnyCase) {
    EXPECT_EQ(parse_decimal_number("inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_decimal_number("-Infinity"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_decimal_number("+INF"), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(*parse_decimal_number("NaN")));
    EXPECT_TRUE(std::isnan(*parse_decimal_number("-nan")));
}

TEST(DecimalNumber, RejectsEverythingElse) {
    for (const char* text :
         {"", "+", "-", ".", "+.", "e5", ".e5", "1e", "1e+", "1e-", "0x10", " 1", "1 ", "1,000",
          "1_000", "1.2.3", "--1", "+-1", "1e5.0", "1d5", "infinite", "in", "nan(1)", "1\n",
          "\xc2\xa0" "1"}) {
        EXPECT_FALSE(parse_decimal_number(text).has_value()) << text;
    }
}

TEST(DecimalNumber, OverflowBecomesInfinityAndUnderflowSignedZero) {
    EXPECT_EQ(parse_decimal_number("1e309"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_decimal_number("-1.7976931348623159e308"),
        -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_decimal_number("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(parse_decimal_number("1" + std::string(400, '0') + "e-5"),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_decimal_number("1e99999999999999999999999"),
        std::numeric_limits<double>::infinity());

    const double tiny = *parse_decimal_number("1e-400");
    EXPECT_EQ(tiny, 0.0);
    EXPECT_FALSE(std::signbit(tiny));
    const double negative_tiny = *parse_decimal_number("-1e-99999999999999999999999");
    EXPECT_EQ(negative_tiny, 0.0);
    EXPECT_TRUE(std::signbit(negative_tiny));
    EXPECT_EQ(parse_decimal_number("0." + std::string(400, '0') + "1e-300"), 0.0);
    EXPECT_EQ(parse_decimal_number("0." + std::string(400, '0') + "1e500"), 1e99);
}

TEST(DecimalNumber, SubnormalResultsAreCorrectlyRounded) {
    const double smallest = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(parse_decimal_number("4.9406564584124654e-324"), smallest);
    // Just above and just below half the smallest subnormal.
    EXPECT_EQ(parse_decimal_number("2.4703282292062328e-324"), smallest);
    EXPECT_EQ(parse_decimal_number("2.4703282292062327e-324"), 0.0);
    EXPECT_EQ(parse_decimal_number("-1e-310"), -1e-310);
    EXPECT_EQ(parse_decimal_number("2.2250738585072011e-308"), 2.2250738585072011e-308);
    EXPECT_EQ(parse_decimal_number("2.2250738585072014e-308"), std::numeric_limits<double>::min());
}

TEST(DecimalNumber, KernelNumbersMayUseDForTheExponent) {
    EXPECT_EQ(parse_number("1.657D-3"), 0.001657);
    EXPECT_EQ(parse_number("1.671d-2"), 0.01671);
    EXPECT_EQ(parse_number("6.239996D0"), 6.239996);
    EXPECT_EQ(parse_number("32.184"), 32.184);
    EXPECT_FALSE(parse_number("1D").has_value());
    EXPECT_FALSE(parse_number("D5").has_value());
}

}  // namespace
}  // namespace orbyx
