#pragma once

#include <cstdint>
#include <optional>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/ayanamsha/sidereal_origin.hpp"

namespace orbyx {

class SpkEphemeris;

// A body's (NAIF id's) apparent geocentric place on the true ecliptic of date, tropical or from a
// sidereal origin, as a function of the TT Julian day: what the searches follow.
class ApparentTrack {
public:
    ApparentTrack(SpkEphemeris& engine, std::int32_t target, std::optional<SiderealOrigin> origin);

    Result<Position, EphemerisError> at(double tt_julian_day) const;

    // The rate of the very longitude `at` gives, degrees per day, by a central
    // difference (one-sided only where the kernel's range ends).
    Result<double, EphemerisError> longitude_rate(double tt_julian_day) const;

    // Between two samples this far apart the body moves well under half a circle and
    // its longitude changes direction at most once: for the module's bodies and
    // barycentres always, for others where they are far from the Earth (see
    // step_days_from).
    double longitude_step_days() const;
    // Between two samples this far apart the latitude changes sign at most once.
    double latitude_step_days() const;

    // Whether the steps above hold everywhere: for the module's bodies and barycentres.
    bool has_fixed_steps() const { return fixed_steps_; }
    // The step from a sample at `tt_julian_day` to the next: `step_days` (one of the
    // above) for fixed steps, shortened where a body passes close to the Earth or moves
    // fast past it.
    Result<double, EphemerisError> step_days_from(double tt_julian_day, double step_days) const;

private:
    SpkEphemeris& engine_;
    std::int32_t target_;
    // The module's own body, if the target is one: its places keep the module's bits.
    std::optional<Body> body_;
    std::optional<SiderealOrigin> origin_;
    bool fixed_steps_;
};

}  // namespace orbyx
