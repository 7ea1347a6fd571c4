#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/ayanamsha.hpp"

namespace orbyx {
namespace {

constexpr double LAHIRI_EPOCH = 2435553.5;
constexpr double B1950 = 2433282.42345905;
constexpr double J2000 = 2451545.0;

// p_A written term by term, apart from the nested form under test.
double general_precession_arcsec(double t) {
    return 5028.796195 * t + 1.1054348 * t * t + 0.00007964 * std::pow(t, 3) -
           0.000023857 * std::pow(t, 4) - 0.0000000383 * std::pow(t, 5);
}

TEST(Ayanamsha, HoldsItsDefiningValueAtEachReferenceEpoch) {
    EXPECT_EQ(*ayanamsha_deg(SiderealMode::Lahiri, LAHIRI_EPOCH), 23.25);
    EXPECT_EQ(*ayanamsha_deg(SiderealMode::FaganBradley, B1950), 24.042044444444446);
}

TEST(Ayanamsha, CarriedByTheGeneralPrecessionInLongitude) {
    const double lahiri_t0 = (LAHIRI_EPOCH - J2000) / 36525.0;
    const double fagan_t0 = (B1950 - J2000) / 36525.0;
    const double lahiri_j2000 = *ayanamsha_deg(SiderealMode::Lahiri, J2000);
    EXPECT_NEAR(lahiri_j2000, 23.25 - general_precession_arcsec(lahiri_t0) / 3600.0, 1e-12);
    EXPECT_NEAR(lahiri_j2000, 23.8615, 1e-4);

    // Far from the epochs, where every term of p_A shows.
    for (const double t : {-20.0, -3.0, 1.0, 10.0}) {
        const double jd = J2000 + 36525.0 * t;
        EXPECT_NEAR(*ayanamsha_deg(SiderealMode::Lahiri, jd),
                    23.25 + (general_precession_arcsec(t) - general_precession_arcsec(lahiri_t0)) / 3600.0,
                    1e-9);
        EXPECT_NEAR(*ayanamsha_deg(SiderealMode::FaganBradley, jd),
                    24.042044444444446 +
                        (general_precession_arcsec(t) - general_precession_arcsec(fagan_t0)) / 3600.0,
                    1e-9);
    }
}

TEST(AyanamshaRate, IsTheDerivativeOfTheAyanamsha) {
    EXPECT_EQ(*ayanamsha_rate_deg_per_day(J2000), 5028.796195 / 131490000.0);
    EXPECT_NEAR(*ayanamsha_rate_deg_per_day(J2000), 3.8245e-5, 1e-9);
    // A central difference over +-50 days at several centuries from J2000 tests every
    // coefficient of the rate against the ayanamsha itself.
    for (const double t : {-20.0, -5.0, 3.0, 10.0}) {
        const double jd = J2000 + 36525.0 * t;
        const double difference = (*ayanamsha_deg(SiderealMode::Lahiri, jd + 50.0) -
                                   *ayanamsha_deg(SiderealMode::Lahiri, jd - 50.0)) /
                                  100.0;
        EXPECT_NEAR(*ayanamsha_rate_deg_per_day(jd), difference, 1e-13) << "t = " << t;
    }
}

TEST(Ayanamsha, RefusesANonFiniteDay) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double Inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ayanamsha_deg(SiderealMode::Lahiri, NaN).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(ayanamsha_deg(SiderealMode::FaganBradley, -Inf).error(), CoordinateError::NonFiniteState);
    EXPECT_EQ(ayanamsha_rate_deg_per_day(Inf).error(), CoordinateError::NonFiniteState);
}

}  // namespace
}  // namespace orbyx
