#include "ext/time/earth_orientation.hpp"

#include "ext/time/rotation_epochs.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Result<EarthOrientation, EphemerisError> earth_orientation(const SpkEphemeris& engine,
                                                           const Instant& instant) {
    const auto epochs = rotation_epochs(engine, instant);
    if (!epochs) return failure(epochs.error());
    // rotation_epochs succeeds only with both time kernels attached.
    const EarthOrientationTable& eop = *engine.earth_orientation_table();
    EarthOrientation orientation{epochs->ut1_julian_day, epochs->tt_julian_day, 0.0, 0.0, epochs->source};
    // The pole's offset is measured only over the table's days.
    const auto utc = eop.utc_julian_day_from_ut1(epochs->ut1_julian_day);
    if (!utc) return orientation;
    const auto polar_motion = eop.polar_motion_arcsec(*utc);
    if (polar_motion) {
        orientation.xp_arcsec = polar_motion->first;
        orientation.yp_arcsec = polar_motion->second;
    }
    return orientation;
}

}  // namespace orbyx
