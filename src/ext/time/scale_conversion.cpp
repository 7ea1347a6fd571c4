#include "ext/time/scale_conversion.hpp"

#include "core/constants.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

Result<double, EphemerisError> utc_julian_day(const SpkEphemeris& engine, const Instant& instant) {
    const LeapSecondKernel* kernel = engine.leap_second_kernel();
    if (kernel == nullptr) {
        return failure(EphemerisError::time_conversion(
            "conversion to UTC requires a leap-second kernel; attach one with "
            "Engine.with_leap_second_kernel"));
    }
    const auto utc =
        kernel->utc_julian_day(instant.time_scale, engine.earth_orientation_table(), instant.julian_day);
    if (!utc) return failure(EphemerisError::time_conversion(utc.error().message()));
    return *utc;
}

// The UT1 day the engine turns the Earth by.
Result<double, EphemerisError> ut1_julian_day(const SpkEphemeris& engine, const Instant& instant) {
    if (engine.leap_second_kernel() == nullptr || engine.earth_orientation_table() == nullptr) {
        return failure(EphemerisError::time_conversion(
            "conversion to UT1 requires a leap-second kernel and an Earth orientation table; "
            "attach them with Engine.with_time_kernels"));
    }
    const auto epochs = engine.earth_rotation_epochs(instant);
    if (!epochs) return failure(epochs.error());
    return epochs->ut1_julian_day;
}

// The TDB day of the seconds the engine evaluates kernels at.
Result<double, EphemerisError> tdb_julian_day(const SpkEphemeris& engine, const Instant& instant) {
    const auto seconds = engine.tdb_seconds(instant);
    if (!seconds) return failure(seconds.error());
    return julian_day_from_seconds(*seconds);
}

Result<double, EphemerisError> converted_day(const SpkEphemeris& engine, const Instant& instant,
                                             TimeScale target) {
    switch (target) {
        case TimeScale::Utc: return utc_julian_day(engine, instant);
        case TimeScale::Ut1: return ut1_julian_day(engine, instant);
        case TimeScale::Tt: return engine.instant_as_tt(instant);
        case TimeScale::Tdb: return tdb_julian_day(engine, instant);
    }
    return failure(EphemerisError::invalid_request("unknown time scale"));
}

}  // namespace

std::string_view canonical_name(TimeSource source) {
    return source == TimeSource::Unchanged ? "unchanged" : "tables";
}

Result<ConvertedInstant, EphemerisError> convert_instant(const SpkEphemeris& engine,
                                                         const Instant& instant,
                                                         TimeScale target) {
    if (instant.time_scale == target) return ConvertedInstant{instant, TimeSource::Unchanged};
    const auto day = converted_day(engine, instant, target);
    if (!day) return failure(day.error());
    return ConvertedInstant{Instant{*day, target}, TimeSource::Tables};
}

}  // namespace orbyx
