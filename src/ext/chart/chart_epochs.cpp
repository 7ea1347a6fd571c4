#include "ext/chart/chart_epochs.hpp"

#include "core/constants.hpp"
#include "ext/time/earth_orientation.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// The half-step of the rates' central differences, a power of two so that the
// epochs and days it offsets stay exact; see chart_bodies for their errors.
constexpr double RATE_HALF_STEP_DAYS = 1.0 / 65536.0;
// Kept off the kernel's ends by more than any rounding of the day.
constexpr double RANGE_END_MARGIN_SECONDS = 1.0;

}  // namespace

Result<ChartEpochs, EphemerisError> chart_epochs(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                                 const Instant& instant, bool topocentric) {
    const auto evaluable = evaluable_instant(engine, instant);
    if (!evaluable) return failure(evaluable.error());
    const auto tt = engine.instant_as_tt(*evaluable);
    if (!tt) return failure(tt.error());
    const auto tdb_seconds = engine.tdb_seconds(*evaluable);
    if (!tdb_seconds) return failure(tdb_seconds.error());
    const auto orientation = earth_orientation(engine, instant);
    if (!orientation) return failure(orientation.error());

    // At the ends of the kernel's range the difference becomes one-sided; the rate
    // divides by the offsets actually taken.
    const DateRange& covered = engine.supported_range();
    const double half_step_seconds = RATE_HALF_STEP_DAYS * SECONDS_PER_DAY;
    const bool before_inside = *tdb_seconds - half_step_seconds >=
                               seconds_since_j2000(covered.start_julian_day) + RANGE_END_MARGIN_SECONDS;
    const bool after_inside = *tdb_seconds + half_step_seconds <=
                              seconds_since_j2000(covered.end_julian_day) - RANGE_END_MARGIN_SECONDS;
    ChartEpochs epochs{*evaluable,
                       *tt,
                       orientation->ut1_julian_day,
                       {0.0, before_inside ? -RATE_HALF_STEP_DAYS : 0.0, after_inside ? RATE_HALF_STEP_DAYS : 0.0},
                       {}};
    if (!topocentric) return epochs;

    for (std::size_t i = 0; i < epochs.sites.size(); ++i) {
        const double offset = epochs.rate_offsets_days[i];
        const auto site = engine.observer_gcrs_state(observer, orientation->ut1_julian_day + offset,
                                                     orientation->tt_julian_day + offset, orientation->xp_arcsec,
                                                     orientation->yp_arcsec);
        if (!site) return failure(site.error());
        epochs.sites[i] = *site;
    }
    return epochs;
}

}  // namespace orbyx
