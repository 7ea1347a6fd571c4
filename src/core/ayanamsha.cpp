#include "core/ayanamsha.hpp"

#include <cmath>

#include "core/constants.hpp"

namespace orbyx {
namespace {

struct AyanamshaEpoch {
    double value_deg;
    // Julian centuries of the reference epoch from J2000, kept as the literal so that
    // the value at the epoch comes back exactly.
    double julian_centuries;
};

// Lahiri: 23.25 deg at TT JD 2435553.5. Fagan-Bradley: 24 deg 02' 31.36" at B1950.0
// (TT JD 2433282.42345905).
AyanamshaEpoch reference_epoch(SiderealMode mode) {
    switch (mode) {
        case SiderealMode::Lahiri: return {23.25, -0.43782340862422997};
        case SiderealMode::FaganBradley: return {24.042044444444446, -0.500002095577008};
    }
    return {23.25, -0.43782340862422997};
}

// Arcseconds per Julian century to degrees per day.
constexpr double ARCSEC_PER_CENTURY_PER_DEG_PER_DAY = 131490000.0;

}  // namespace

double general_precession_arcsec(double t) {
    return t * (5028.796195 + t * (1.1054348 + t * (0.00007964 + t * (-0.000023857 + t * (-0.0000000383)))));
}

Result<double, CoordinateError> ayanamsha_deg(SiderealMode mode, double tt_julian_day) {
    if (!std::isfinite(tt_julian_day)) return failure(CoordinateError::NonFiniteState);
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const AyanamshaEpoch epoch = reference_epoch(mode);
    return epoch.value_deg +
           (general_precession_arcsec(t) - general_precession_arcsec(epoch.julian_centuries)) / 3600.0;
}

Result<double, CoordinateError> ayanamsha_rate_deg_per_day(double tt_julian_day) {
    if (!std::isfinite(tt_julian_day)) return failure(CoordinateError::NonFiniteState);
    const double t = julian_centuries_since_j2000(tt_julian_day);
    const double arcsec_per_century =
        5028.796195 + t * (2.2108696 + t * (0.00023892 + t * (-0.000095428 + t * (-0.0000001915))));
    return arcsec_per_century / ARCSEC_PER_CENTURY_PER_DEG_PER_DAY;
}

}  // namespace orbyx
