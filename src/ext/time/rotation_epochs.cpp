#include "ext/time/rotation_epochs.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "core/format.hpp"
#include "ext/time/delta_t_model.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

struct TableEdges {
    DeltaTAtEdge first;
    DeltaTAtEdge last;
};

EphemerisError conversion_error(const std::string& text) { return EphemerisError::time_conversion(text); }

Result<DeltaTAtEdge, EphemerisError> delta_t_at_utc(const LeapSecondKernel& lsk,
                                                    const EarthOrientationTable& eop,
                                                    double utc_julian_day) {
    const auto tt = lsk.tt_julian_day(TimeScale::Utc, nullptr, utc_julian_day);
    if (!tt) return failure(conversion_error(tt.error().message()));
    const auto ut1 = lsk.ut1_julian_day(TimeScale::Utc, eop, utc_julian_day);
    if (!ut1) return failure(conversion_error(ut1.error().message()));
    return DeltaTAtEdge{*tt, (*tt - *ut1) * SECONDS_PER_DAY};
}

// The UTC days both tables cover run from the later of their starts to the table's end.
Result<TableEdges, EphemerisError> table_edges(const LeapSecondKernel& lsk,
                                               const EarthOrientationTable& eop) {
    const double first_utc =
        std::max(lsk.entries().front().utc_julian_day, eop.samples().front().utc_julian_day);
    const double last_utc = eop.samples().back().utc_julian_day;
    if (last_utc < first_utc) {
        return failure(conversion_error(
            "the Earth orientation table ends before the leap-second kernel begins"));
    }
    const auto first = delta_t_at_utc(lsk, eop, first_utc);
    if (!first) return failure(first.error());
    const auto last = delta_t_at_utc(lsk, eop, last_utc);
    if (!last) return failure(last.error());
    return TableEdges{*first, *last};
}

// TT = UT1 + ΔT(TT): ΔT changes by well under a second a day, so three steps settle.
double tt_from_ut1(double ut1_julian_day, const TableEdges& edges) {
    double tt = ut1_julian_day;
    for (int step = 0; step < 3; ++step) {
        tt = ut1_julian_day + joined_delta_t_seconds(tt, edges.first, edges.last) / SECONDS_PER_DAY;
    }
    return tt;
}

double ut1_from_tt(double tt_julian_day, const TableEdges& edges) {
    return tt_julian_day - joined_delta_t_seconds(tt_julian_day, edges.first, edges.last) / SECONDS_PER_DAY;
}

Result<RotationEpochs, EphemerisError> modelled_epochs(const SpkEphemeris& engine,
                                                       const LeapSecondKernel& lsk,
                                                       const Instant& instant,
                                                       const TableEdges& edges) {
    RotationEpochs epochs{0, 0, TimeSource::Model};
    const double day = instant.julian_day;
    if (instant.time_scale == TimeScale::Ut1 ||
        (instant.time_scale == TimeScale::Utc && day < lsk.entries().front().utc_julian_day)) {
        // Civil time before leap seconds followed the Earth's rotation: read it as UT1.
        epochs.ut1_julian_day = day;
        epochs.tt_julian_day = tt_from_ut1(day, edges);
    } else {
        const auto tt = engine.instant_as_tt(instant);
        if (!tt) return failure(tt.error());
        epochs.tt_julian_day = *tt;
        epochs.ut1_julian_day = ut1_from_tt(*tt, edges);
    }
    // Far enough out the parabola overflows.
    if (!std::isfinite(epochs.tt_julian_day) || !std::isfinite(epochs.ut1_julian_day)) {
        return failure(conversion_error("Julian day " + format_number(day) +
                                        " is too far from the present for the Delta T model"));
    }
    return epochs;
}

}  // namespace

Result<RotationEpochs, EphemerisError> rotation_epochs(const SpkEphemeris& engine,
                                                       const Instant& instant) {
    const LeapSecondKernel* lsk = engine.leap_second_kernel();
    const EarthOrientationTable* eop = engine.earth_orientation_table();
    if (lsk == nullptr || eop == nullptr) {
        return failure(conversion_error(
            "conversion to UT1 requires a leap-second kernel and an Earth orientation table; "
            "attach them with Engine.with_time_kernels"));
    }
    const auto tables = engine.earth_rotation_epochs(instant);
    if (tables) return RotationEpochs{tables->tt_julian_day, tables->ut1_julian_day, TimeSource::Tables};
    // With both kernels attached a finite day fails only outside their span.
    if (!std::isfinite(instant.julian_day)) return failure(tables.error());
    const auto edges = table_edges(*lsk, *eop);
    if (!edges) return failure(edges.error());
    return modelled_epochs(engine, *lsk, instant, *edges);
}

}  // namespace orbyx
