#include "ext/time/scale_conversion.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "ext/time/rotation_epochs.hpp"
#include "spk/spk_ephemeris.hpp"
#include "time/tdb_minus_tt.hpp"

namespace orbyx {
namespace {

using Converted = Result<ConvertedInstant, EphemerisError>;

Converted from_tables(Result<double, EphemerisError> day, TimeScale target) {
    if (!day) return failure(day.error());
    return ConvertedInstant{Instant{*day, target}, TimeSource::Tables};
}

// Outside the tables the model answers where both time kernels are attached;
// otherwise the tables' own refusal stands.
bool model_applies(const SpkEphemeris& engine) {
    return engine.leap_second_kernel() != nullptr && engine.earth_orientation_table() != nullptr;
}

Result<double, EphemerisError> table_utc_julian_day(const SpkEphemeris& engine, const Instant& instant) {
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

Converted to_utc(const SpkEphemeris& engine, const Instant& instant) {
    const auto tables = table_utc_julian_day(engine, instant);
    if (tables || !model_applies(engine)) return from_tables(tables, TimeScale::Utc);
    const auto epochs = rotation_epochs(engine, instant);
    if (!epochs) return failure(epochs.error());
    // After the kernel's first entry its UTC holds; before it, UTC is read as UT1.
    const auto utc = engine.leap_second_kernel()->utc_julian_day(TimeScale::Tt, nullptr, epochs->tt_julian_day);
    return ConvertedInstant{Instant{utc ? *utc : epochs->ut1_julian_day, TimeScale::Utc}, epochs->source};
}

Converted to_ut1(const SpkEphemeris& engine, const Instant& instant) {
    const auto epochs = rotation_epochs(engine, instant);
    if (!epochs) return failure(epochs.error());
    return ConvertedInstant{Instant{epochs->ut1_julian_day, TimeScale::Ut1}, epochs->source};
}

Converted to_tt(const SpkEphemeris& engine, const Instant& instant) {
    const auto tables = engine.instant_as_tt(instant);
    if (tables || !model_applies(engine)) return from_tables(tables, TimeScale::Tt);
    const auto epochs = rotation_epochs(engine, instant);
    if (!epochs) return failure(epochs.error());
    return ConvertedInstant{Instant{epochs->tt_julian_day, TimeScale::Tt}, epochs->source};
}

// TDB from TT by the engine's own terms, on days outside the kernel's span too.
double tdb_julian_day_from_tt(const SpkEphemeris& engine, double tt_julian_day) {
    const LeapSecondKernel* kernel = engine.leap_second_kernel();
    const DeltetConstants constants =
        kernel == nullptr ? BUILT_IN_DELTET
                          : DeltetConstants{kernel->k(), kernel->eb(), kernel->m0(), kernel->m1()};
    const double tt = seconds_since_j2000(tt_julian_day);
    return julian_day_from_seconds(tt + tdb_minus_tt_seconds(constants, tt));
}

Converted to_tdb(const SpkEphemeris& engine, const Instant& instant) {
    // Where the engine evaluates kernels, the very TDB it evaluates them at.
    const auto seconds = engine.tdb_seconds(instant);
    if (seconds) {
        return ConvertedInstant{Instant{julian_day_from_seconds(*seconds), TimeScale::Tdb},
                                TimeSource::Tables};
    }
    if (!std::isfinite(instant.julian_day)) return failure(seconds.error());
    const auto tt = to_tt(engine, instant);
    if (!tt) return failure(tt.error());
    return ConvertedInstant{Instant{tdb_julian_day_from_tt(engine, tt->instant.julian_day), TimeScale::Tdb},
                            tt->source};
}

}  // namespace

Result<ConvertedInstant, EphemerisError> convert_instant(const SpkEphemeris& engine,
                                                         const Instant& instant,
                                                         TimeScale target) {
    if (instant.time_scale == target) return ConvertedInstant{instant, TimeSource::Unchanged};
    switch (target) {
        case TimeScale::Utc: return to_utc(engine, instant);
        case TimeScale::Ut1: return to_ut1(engine, instant);
        case TimeScale::Tt: return to_tt(engine, instant);
        case TimeScale::Tdb: return to_tdb(engine, instant);
    }
    return failure(EphemerisError::invalid_request("unknown time scale"));
}

Result<Instant, EphemerisError> evaluable_instant(const SpkEphemeris& engine, const Instant& instant) {
    if (instant.time_scale == TimeScale::Tt || instant.time_scale == TimeScale::Tdb) return instant;
    if (engine.instant_as_tt(instant)) return instant;
    const auto tt = to_tt(engine, instant);
    if (!tt) return failure(tt.error());
    return tt->instant;
}

}  // namespace orbyx
