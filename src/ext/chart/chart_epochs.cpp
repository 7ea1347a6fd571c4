#include "ext/chart/chart_epochs.hpp"

#include "ext/time/earth_orientation.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// Half-steps of the central difference that gives each longitude's rate, powers of
// two so that every day and TDB second they offset stays exact. The difference errs
// by the longitude's third derivative times the half-step squared over six: at most
// 3e-8 deg/day for the geocentric Moon; seen from a site the Moon's parallax swings
// daily, and the shorter step keeps that under 2e-7 deg/day. Rounding adds under 1e-9.
constexpr double GEOCENTRIC_HALF_STEP_DAYS = 1.0 / 1024.0;
constexpr double TOPOCENTRIC_HALF_STEP_DAYS = 1.0 / 16384.0;

}  // namespace

Result<ChartEpochs, EphemerisError> chart_epochs(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                                 const Instant& instant, bool topocentric) {
    const auto evaluable = evaluable_instant(engine, instant);
    if (!evaluable) return failure(evaluable.error());
    const auto tt = engine.instant_as_tt(*evaluable);
    if (!tt) return failure(tt.error());
    if (const auto inside = engine.tdb_seconds(*evaluable); !inside) return failure(inside.error());
    const auto orientation = earth_orientation(engine, instant);
    if (!orientation) return failure(orientation.error());

    // At the ends of the kernel's range the difference becomes one-sided; the rate
    // divides by the epochs actually evaluated.
    const double half_step = topocentric ? TOPOCENTRIC_HALF_STEP_DAYS : GEOCENTRIC_HALF_STEP_DAYS;
    const auto offset_inside = [&](double offset_days) {
        return engine.tdb_seconds(Instant{*tt + offset_days, TimeScale::Tt}) ? offset_days : 0.0;
    };
    const double before = offset_inside(-half_step);
    const double after = offset_inside(half_step);
    ChartEpochs epochs{*evaluable,
                       *tt,
                       orientation->ut1_julian_day,
                       {*evaluable, Instant{*tt + before, TimeScale::Tt}, Instant{*tt + after, TimeScale::Tt}},
                       {}};
    if (!topocentric) return epochs;

    const double offsets[3] = {0.0, before, after};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto site = engine.observer_gcrs_state(observer, orientation->ut1_julian_day + offsets[i],
                                                     orientation->tt_julian_day + offsets[i],
                                                     orientation->xp_arcsec, orientation->yp_arcsec);
        if (!site) return failure(site.error());
        epochs.sites[i] = *site;
    }
    return epochs;
}

}  // namespace orbyx
