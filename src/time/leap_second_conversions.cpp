#include <cmath>

#include "core/constants.hpp"
#include "time/leap_second_kernel.hpp"
#include "time/tdb_minus_tt.hpp"

namespace orbyx {
namespace {

using Conversion = Result<double, UtcConversionError>;

UtcConversionError non_finite() {
    return UtcConversionError::time_conversion(TimeConversionError::non_finite_julian_day());
}

DeltetConstants deltet_of(const LeapSecondKernel& kernel) {
    return {kernel.k(), kernel.eb(), kernel.m0(), kernel.m1()};
}

// TAI - UTC in force at `utc_julian_day`; the table is searched from its end because
// requests cluster around the present.
Conversion delta_at_at(const LeapSecondKernel& kernel, double utc_julian_day) {
    const auto& entries = kernel.entries();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->utc_julian_day <= utc_julian_day) return entry->delta_at;
    }
    return failure(UtcConversionError::before_first_leap_second(utc_julian_day,
                                                                entries.front().utc_julian_day));
}

Conversion utc_from_ut1(const EarthOrientationTable& eop, double ut1_julian_day) {
    auto utc = eop.utc_julian_day_from_ut1(ut1_julian_day);
    if (!utc) return failure(UtcConversionError::eop(std::move(utc).error()));
    return *utc;
}

}  // namespace

Conversion LeapSecondKernel::tdb_seconds(TimeScale scale, double julian_day) const {
    if (!std::isfinite(julian_day)) return failure(non_finite());
    switch (scale) {
        case TimeScale::Tdb: return seconds_since_j2000(julian_day);
        case TimeScale::Tt: {
            const double tt = seconds_since_j2000(julian_day);
            return tt + tdb_minus_tt_seconds(deltet_of(*this), tt);
        }
        case TimeScale::Utc: {
            const auto delta_at = delta_at_at(*this, julian_day);
            if (!delta_at) return delta_at;
            const double tt = ((julian_day + *delta_at / SECONDS_PER_DAY) +
                               delta_t_a_ / SECONDS_PER_DAY - J2000_JULIAN_DAY) *
                              SECONDS_PER_DAY;
            return tt + tdb_minus_tt_seconds(deltet_of(*this), tt);
        }
        case TimeScale::Ut1: break;
    }
    return failure(UtcConversionError::time_conversion(
        TimeConversionError::unsupported_conversion(TimeScale::Ut1)));
}

Conversion LeapSecondKernel::tdb_seconds_with_eop(TimeScale scale,
                                                  const EarthOrientationTable& eop,
                                                  double julian_day) const {
    if (!std::isfinite(julian_day)) return failure(non_finite());
    if (scale != TimeScale::Ut1) return tdb_seconds(scale, julian_day);
    const auto utc = utc_from_ut1(eop, julian_day);
    if (!utc) return utc;
    return tdb_seconds(TimeScale::Utc, *utc);
}

Conversion LeapSecondKernel::tt_julian_day(TimeScale scale, const EarthOrientationTable* eop,
                                           double julian_day) const {
    if (!std::isfinite(julian_day)) return failure(non_finite());
    double utc_julian_day = julian_day;
    switch (scale) {
        case TimeScale::Tt: return julian_day;
        case TimeScale::Tdb: {
            const double tdb = seconds_since_j2000(julian_day);
            return julian_day_from_seconds(tdb - tdb_minus_tt_seconds(deltet_of(*this), tdb));
        }
        case TimeScale::Utc: break;
        case TimeScale::Ut1: {
            if (eop == nullptr) return failure(UtcConversionError::missing_eop());
            const auto utc = utc_from_ut1(*eop, julian_day);
            if (!utc) return utc;
            if (!std::isfinite(*utc)) return failure(non_finite());
            utc_julian_day = *utc;
            break;
        }
    }
    const auto delta_at = delta_at_at(*this, utc_julian_day);
    if (!delta_at) return delta_at;
    return utc_julian_day + (*delta_at + delta_t_a_) / SECONDS_PER_DAY;
}

Conversion LeapSecondKernel::utc_julian_day(TimeScale scale, const EarthOrientationTable* eop,
                                            double julian_day) const {
    if (!std::isfinite(julian_day)) return failure(non_finite());
    switch (scale) {
        case TimeScale::Utc: return julian_day;
        case TimeScale::Ut1:
            if (eop == nullptr) return failure(UtcConversionError::missing_eop());
            return utc_from_ut1(*eop, julian_day);
        case TimeScale::Tt:
        case TimeScale::Tdb: break;
    }
    const auto tt = tt_julian_day(scale, eop, julian_day);
    if (!tt) return tt;

    // A fixed iteration on the offset in force: one estimate from the latest offset,
    // then three refinements. Inside a leap second this is not exact, by design.
    const double first_entry = entries_.front().utc_julian_day;
    double estimate = *tt + (entries_.back().delta_at + delta_t_a_) / -SECONDS_PER_DAY;
    for (int refinement = 0;; ++refinement) {
        if (!std::isfinite(estimate)) return failure(non_finite());
        if (estimate < first_entry) {
            return failure(UtcConversionError::before_first_leap_second(estimate, first_entry));
        }
        if (refinement == 3) return estimate;
        // Cannot fail: the estimate is at or after the first entry.
        const double delta_at = *delta_at_at(*this, estimate);
        estimate = *tt + (delta_t_a_ + delta_at) / -SECONDS_PER_DAY;
    }
}

Conversion LeapSecondKernel::ut1_julian_day(TimeScale scale, const EarthOrientationTable& eop,
                                            double julian_day) const {
    if (!std::isfinite(julian_day)) return failure(non_finite());
    if (scale == TimeScale::Ut1) return julian_day;
    const auto utc = utc_julian_day(scale, &eop, julian_day);
    if (!utc) return utc;
    auto sample = eop.interpolated_sample(*utc);
    if (!sample) return failure(UtcConversionError::eop(std::move(sample).error()));
    return *utc + sample->dut1 / SECONDS_PER_DAY;
}

}  // namespace orbyx
