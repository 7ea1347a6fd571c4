#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "core/format.hpp"
#include "core/observer.hpp"
#include "spk/spk_ephemeris.hpp"
#include "time/tdb_minus_tt.hpp"

namespace orbyx {
namespace {

EphemerisError conversion_error(const TimeConversionError& error) {
    return EphemerisError::time_conversion(error.message());
}

// Without a leap-second kernel only TT and TDB can be converted.
Status<EphemerisError> check_convertible_without_lsk(const Instant& instant) {
    if (!std::isfinite(instant.julian_day)) {
        return failure(conversion_error(TimeConversionError::non_finite_julian_day()));
    }
    if (instant.time_scale == TimeScale::Utc || instant.time_scale == TimeScale::Ut1) {
        return failure(conversion_error(TimeConversionError::unsupported_conversion(instant.time_scale)));
    }
    return {};
}

Result<double, EphemerisError> converted(Result<double, UtcConversionError> conversion) {
    if (!conversion) return failure(EphemerisError::time_conversion(conversion.error().message()));
    return *conversion;
}

// TT to TDB seconds with the built-in DELTET constants, three fixed-point passes.
double tdb_seconds_from_tt(double tt_seconds) {
    const double tdb = tt_seconds + tdb_minus_tt_seconds(BUILT_IN_DELTET, tt_seconds);
    return tt_seconds + (tdb - tt_seconds);
}

Result<double, EphemerisError> unchecked_tdb_seconds(const LeapSecondKernel* lsk,
                                                     const EarthOrientationTable* eop,
                                                     const Instant& instant) {
    if (lsk == nullptr) {
        if (auto convertible = check_convertible_without_lsk(instant); !convertible) {
            return failure(std::move(convertible).error());
        }
        const double seconds = seconds_since_j2000(instant.julian_day);
        return instant.time_scale == TimeScale::Tt ? tdb_seconds_from_tt(seconds) : seconds;
    }
    if (instant.time_scale != TimeScale::Ut1) {
        return converted(lsk->tdb_seconds(instant.time_scale, instant.julian_day));
    }
    if (eop == nullptr) {
        return failure(EphemerisError::time_conversion(UtcConversionError::missing_eop().message()));
    }
    return converted(lsk->tdb_seconds_with_eop(instant.time_scale, *eop, instant.julian_day));
}

Result<double, EphemerisError> unchecked_tt_julian_day(const LeapSecondKernel* lsk,
                                                       const EarthOrientationTable* eop,
                                                       const Instant& instant) {
    if (lsk != nullptr) return converted(lsk->tt_julian_day(instant.time_scale, eop, instant.julian_day));
    if (auto convertible = check_convertible_without_lsk(instant); !convertible) {
        return failure(std::move(convertible).error());
    }
    // TDB stands in for TT here, without the TDB - TT correction.
    return julian_day_from_seconds(seconds_since_j2000(instant.julian_day));
}

EphemerisError outside(const DateRange& range, const Instant& instant) {
    return EphemerisError::out_of_range(instant.julian_day, range.start_julian_day,
                                        range.end_julian_day, range.time_scale);
}

}  // namespace

Result<double, EphemerisError> SpkEphemeris::tdb_seconds(const Instant& instant) const {
    if (const double* remembered = memo_.tdb_seconds.find(instant)) return *remembered;
    const auto seconds = unchecked_tdb_seconds(leap_second_kernel(), earth_orientation_table(), instant);
    if (!seconds) return seconds;

    const double tdb_julian_day = julian_day_from_seconds(*seconds);
    const DateRange& range = supported_range_;
    // A finite day can still give NaN seconds, when they overflow or the DELTET terms do.
    if (!(tdb_julian_day >= range.start_julian_day && tdb_julian_day <= range.end_julian_day)) {
        return failure(outside(range, instant));
    }
    // The range is the coverage rounded to Julian days, so a day that passes it may lie a
    // rounding outside the coverage, where no segment would answer.
    return memo_.tdb_seconds.remember(instant,
                                      std::clamp(*seconds, coverage_seconds_.first, coverage_seconds_.second));
}

Result<double, EphemerisError> SpkEphemeris::instant_as_tt(const Instant& instant) const {
    if (instant.time_scale == TimeScale::Tt) return instant.julian_day;
    const auto tt = unchecked_tt_julian_day(leap_second_kernel(), earth_orientation_table(), instant);
    // As with TDB seconds, a finite day's conversion may overflow.
    if (tt && !std::isfinite(*tt)) return failure(outside(supported_range_, instant));
    return tt;
}

Result<EarthRotationEpochs, EphemerisError> SpkEphemeris::earth_rotation_epochs(
    const Instant& instant) const {
    if (const EarthRotationEpochs* remembered = memo_.rotation_epochs.find(instant)) return *remembered;
    const LeapSecondKernel* lsk = leap_second_kernel();
    if (lsk == nullptr) {
        return failure(EphemerisError::time_conversion(
            "topocentric origins require a leap-second kernel; attach one with "
            "SpkEphemeris::with_leap_second_kernel"));
    }
    const EarthOrientationTable* eop = earth_orientation_table();
    if (eop == nullptr) {
        return failure(EphemerisError::time_conversion(
            "topocentric origins require an Earth orientation table (DUT1); attach one with "
            "SpkEphemeris::with_eop"));
    }
    const auto tt = converted(lsk->tt_julian_day(instant.time_scale, eop, instant.julian_day));
    if (!tt) return failure(tt.error());
    const auto ut1 = converted(lsk->ut1_julian_day(instant.time_scale, *eop, instant.julian_day));
    if (!ut1) return failure(ut1.error());
    return memo_.rotation_epochs.remember(instant, {*ut1, *tt});
}

Result<CartesianState, EphemerisError> SpkEphemeris::observer_gcrs_state(
    const GeodeticObserver& observer, const Instant& instant) const {
    const SiteAtInstant key{observer, instant};
    if (const CartesianState* remembered = memo_.site_state.find(key)) return *remembered;
    const auto epochs = earth_rotation_epochs(instant);
    if (!epochs) return failure(epochs.error());
    const EarthOrientationTable& eop = *earth_orientation_table();
    const auto utc = eop.utc_julian_day_from_ut1(epochs->ut1_julian_day);
    if (!utc) return failure(EphemerisError::time_conversion(utc.error().message()));
    const auto polar_motion = eop.polar_motion_arcsec(*utc);
    if (!polar_motion) return failure(EphemerisError::time_conversion(polar_motion.error().message()));
    const auto state = observer_gcrs_state(observer, epochs->ut1_julian_day, epochs->tt_julian_day,
                                           polar_motion->first, polar_motion->second);
    if (!state) return state;
    return memo_.site_state.remember(key, *state);
}

Result<CartesianState, EphemerisError> SpkEphemeris::observer_gcrs_state(
    const GeodeticObserver& observer, double ut1_julian_day, double tt_julian_day, double xp_arcsec,
    double yp_arcsec) const {
    const auto state = observer_gcrs_from_geodetic(observer, ut1_julian_day, tt_julian_day, xp_arcsec, yp_arcsec);
    if (!state) return failure(EphemerisError::invalid_request(message(state.error())));
    // Beyond c / omega a site turning with the Earth would outrun light, and far enough
    // out its distances overflow.
    const Vector3& site = state->position;
    if (std::hypot(site[0], site[1], site[2]) * EARTH_ROTATION_RATE_RAD_PER_S >=
        SPEED_OF_LIGHT_KM_PER_S) {
        return failure(EphemerisError::invalid_request(
            "observer height_m " + format_number(observer.height_m) +
            " puts the site beyond the distance at which the Earth's rotation reaches the speed of light"));
    }
    return *state;
}

}  // namespace orbyx
