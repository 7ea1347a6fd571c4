#include "ext/time/delta_t_model.hpp"

#include <gtest/gtest.h>

namespace orbyx {
namespace {

constexpr double DAYS_PER_YEAR = 365.25;

double tt_of_year(double year) { return 2451545.0 + (year - 2000.0) * DAYS_PER_YEAR; }
double delta_t(double year) { return modelled_delta_t_seconds(tt_of_year(year)); }

// Seconds per year, from a central difference a day wide.
double rate(double year) {
    const double day = 1.0 / DAYS_PER_YEAR;
    return (delta_t(year + 0.5 * day) - delta_t(year - 0.5 * day)) / day;
}

TEST(DeltaTModel, KnotsCarryThePublishedValuesAndTheParabolaHoldsFarOut) {
    // Table S15 (2020): a0 at the knots of 720 BC, AD 1000, 1900 and 2016.
    EXPECT_NEAR(delta_t(-720), 20371.848, 1e-6);
    EXPECT_NEAR(delta_t(1000), 1650.393, 1e-6);
    EXPECT_NEAR(delta_t(1900), -1.977, 1e-6);
    EXPECT_NEAR(delta_t(2016), 68.109, 1e-6);
    // -320 + 32.5 u^2 beyond the five-century bridges.
    EXPECT_NEAR(delta_t(-2000), -320.0 + 32.5 * 38.25 * 38.25, 1e-6);
    EXPECT_NEAR(delta_t(3000), -320.0 + 32.5 * 11.75 * 11.75, 1e-6);
}

TEST(DeltaTModel, IsContinuousInValueAndRateAcrossEveryJoin) {
    // The spline's ends, the bridges' far ends and a few inner knots.
    for (const double year : {-1220.0, -720.0, -100.0, 1600.0, 1972.0, 2019.0, 2519.0}) {
        // The published coefficients are rounded to the millisecond.
        const double step = 1e-6;
        EXPECT_NEAR(delta_t(year - step), delta_t(year + step), 2e-3) << year;
        EXPECT_NEAR(rate(year - 0.01), rate(year + 0.01), 0.05) << year;
    }
}

TEST(DeltaTModel, JoinMeetsTheTablesAtTheirEdgesAndFadesIntoTheModel) {
    const DeltaTAtEdge first{tt_of_year(1972.0), 42.5};
    const DeltaTAtEdge last{tt_of_year(2026.5), 69.0};
    for (const DeltaTAtEdge& edge : {first, last}) {
        const double outward = edge.tt_julian_day == first.tt_julian_day ? -1.0 : 1.0;
        EXPECT_NEAR(joined_delta_t_seconds(edge.tt_julian_day + outward * 1e-3, first, last),
                    edge.delta_t_seconds, 1e-5);
        // Ten years out the model holds alone.
        const double far = edge.tt_julian_day + outward * 10.5 * DAYS_PER_YEAR;
        EXPECT_DOUBLE_EQ(joined_delta_t_seconds(far, first, last), modelled_delta_t_seconds(far));
        // The offset fades without overshooting: the join stays between the two.
        const double midway = edge.tt_julian_day + outward * 5.0 * DAYS_PER_YEAR;
        const double model = modelled_delta_t_seconds(midway);
        const double shifted = model + edge.delta_t_seconds - modelled_delta_t_seconds(edge.tt_julian_day);
        EXPECT_NEAR(joined_delta_t_seconds(midway, first, last), (model + shifted) / 2, 1e-9);
    }
}

}  // namespace
}  // namespace orbyx
