#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "ext/crossings/root_bracket.hpp"

namespace orbyx {
namespace {

// Julian-day-sized brackets of the searches, where the tolerance is a few units in
// the last place.
constexpr double ROOT_DAY = 2460000.123456789;

struct Case {
    const char* name;
    std::function<double(double)> f;
    int most_evaluations;
};

class RootInBracket : public ::testing::TestWithParam<Case> {};

// Smooth (where interpolation converges fast), flat (a triple root, where it crawls)
// and a jump (where only bisection helps): each ends within the tolerance.
TEST_P(RootInBracket, EndsWithinTheToleranceAndItsEvaluationBudget) {
    const auto& f = GetParam().f;
    for (const auto& [a, b] : {std::pair{ROOT_DAY - 8.0, ROOT_DAY + 0.5}, std::pair{ROOT_DAY + 3.0, ROOT_DAY - 1e-3}}) {
        int evaluations = 0;
        const auto counted = [&](double x) -> Result<double, EphemerisError> {
            ++evaluations;
            return f(x);
        };
        const auto root = root_in_bracket(counted, a, b, f(a), f(b));
        ASSERT_TRUE(root.ok());
        EXPECT_LE(std::abs(*root - ROOT_DAY), ROOT_TOLERANCE_DAYS) << GetParam().name << " from " << a;
        EXPECT_LE(evaluations, GetParam().most_evaluations) << GetParam().name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RootInBracket,
    ::testing::Values(Case{"smooth", [](double x) { return std::sin(0.3 * (x - ROOT_DAY)) + 0.1 * (x - ROOT_DAY); }, 12},
                      Case{"flat", [](double x) { return std::pow(x - ROOT_DAY, 3.0); }, 100},
                      Case{"jump", [](double x) { return x < ROOT_DAY ? -1.0 : 2.0; }, 70}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RootInBracketErrors, AFailedEvaluationEndsTheSearchWithItsError) {
    int evaluations = 0;
    const auto failing = [&](double x) -> Result<double, EphemerisError> {
        if (++evaluations == 5) return failure(EphemerisError::invalid_request("outside"));
        return std::pow(x - ROOT_DAY, 3.0);
    };
    const auto root = root_in_bracket(failing, ROOT_DAY - 1.0, ROOT_DAY + 2.0, -1.0, 8.0);
    ASSERT_FALSE(root.ok());
    EXPECT_EQ(root.error().message(), "outside");
    EXPECT_EQ(evaluations, 5);
}

}  // namespace
}  // namespace orbyx
