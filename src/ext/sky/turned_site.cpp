#include "ext/sky/turned_site.hpp"

#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Result<TurnedSite, EphemerisError> turned_site(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                               const Instant& instant) {
    const auto orientation = earth_orientation(engine, instant);
    if (!orientation) return failure(orientation.error());
    const auto gcrs = engine.observer_gcrs_state(observer, orientation->ut1_julian_day, orientation->tt_julian_day,
                                                 orientation->xp_arcsec, orientation->yp_arcsec);
    if (!gcrs) return failure(gcrs.error());
    return TurnedSite{*gcrs, *orientation};
}

}  // namespace orbyx
