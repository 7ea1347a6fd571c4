#include "ext/time/earth_orientation.hpp"

#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Result<EarthOrientation, EphemerisError> earth_orientation(const SpkEphemeris& engine,
                                                           const Instant& instant) {
    const auto epochs = engine.earth_rotation_epochs(instant);
    if (!epochs) return failure(epochs.error());
    // earth_rotation_epochs succeeds only with both time kernels attached.
    const EarthOrientationTable& eop = *engine.earth_orientation_table();
    const auto utc = eop.utc_julian_day_from_ut1(epochs->ut1_julian_day);
    if (!utc) return failure(EphemerisError::time_conversion(utc.error().message()));
    const auto polar_motion = eop.polar_motion_arcsec(*utc);
    if (!polar_motion) {
        return failure(EphemerisError::time_conversion(polar_motion.error().message()));
    }
    return EarthOrientation{epochs->ut1_julian_day, epochs->tt_julian_day, polar_motion->first,
                            polar_motion->second, TimeSource::Tables};
}

}  // namespace orbyx
