#include "ext/chart/chart_epochs.hpp"

#include "ext/time/earth_orientation.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// Half-steps of the central differences that give each longitude's rate, powers of
// two so that every day they offset stays exact. Rounding the epochs within the
// engine moves a position by up to some millimetres: over the geocentric half-step
// that errs by under 3e-7 deg/day, and the longitude's third derivative adds at most
// 1e-8 for the Moon. Seen from a site the Moon's parallax swings daily, so that
// difference would err by 4e-5: there two differences, over a half-step and its
// half, are extrapolated to a zero step, leaving under 2e-7 of rounding and 2e-8 of
// the fifth derivative.
constexpr double GEOCENTRIC_HALF_STEP_DAYS = 1.0 / 1024.0;
constexpr double TOPOCENTRIC_HALF_STEP_DAYS = 1.0 / 256.0;

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

    // At the ends of the kernel's range a difference becomes one-sided; the rate
    // divides by the epochs actually evaluated.
    const auto offset_inside = [&](double offset_days) {
        return engine.tdb_seconds(Instant{*tt + offset_days, TimeScale::Tt}) ? offset_days : 0.0;
    };
    ChartEpochs epochs{*evaluable, *tt, orientation->ut1_julian_day, GEOCENTRIC_BODY_INSTANTS, {}, {}};
    std::array<double, TOPOCENTRIC_BODY_INSTANTS> offsets{};
    const double half_step = topocentric ? TOPOCENTRIC_HALF_STEP_DAYS : GEOCENTRIC_HALF_STEP_DAYS;
    offsets[1] = offset_inside(-half_step);
    offsets[2] = offset_inside(half_step);
    if (topocentric) {
        epochs.body_instant_count = TOPOCENTRIC_BODY_INSTANTS;
        offsets[3] = offset_inside(-half_step / 2.0);
        offsets[4] = offset_inside(half_step / 2.0);
    }
    epochs.body_instants[0] = *evaluable;
    for (std::size_t i = 1; i < epochs.body_instant_count; ++i) {
        epochs.body_instants[i] = Instant{*tt + offsets[i], TimeScale::Tt};
    }
    if (!topocentric) return epochs;

    for (std::size_t i = 0; i < epochs.body_instant_count; ++i) {
        const auto site = engine.observer_gcrs_state(observer, orientation->ut1_julian_day + offsets[i],
                                                     orientation->tt_julian_day + offsets[i],
                                                     orientation->xp_arcsec, orientation->yp_arcsec);
        if (!site) return failure(site.error());
        epochs.sites[i] = *site;
    }
    return epochs;
}

}  // namespace orbyx
