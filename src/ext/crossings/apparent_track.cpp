#include "ext/crossings/apparent_track.hpp"

#include <algorithm>

#include "spk/ecliptic_of_date_search.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// The central difference errs by the longitude's third derivative times the square of
// the half-step, and by its rounding over the half-step: at this fraction of the
// sampling step both move a station by well under a millisecond.
constexpr double RATE_HALF_STEP_PER_SAMPLING_STEP = 5e-4;

}  // namespace

Result<Position, EphemerisError> ApparentTrack::at(double tt_julian_day) const {
    const Instant instant{tt_julian_day, TimeScale::Tt};
    const PositionOptions options = apparent_geocentric_ecliptic_of_date();
    if (mode_) return engine_.sidereal_position(body_, instant, options, *mode_);
    return engine_.position(body_, instant, options);
}

Result<double, EphemerisError> ApparentTrack::longitude_rate(double tt_julian_day, double first_day,
                                                             double last_day) const {
    const double half_step = RATE_HALF_STEP_PER_SAMPLING_STEP * sampling_step_days();
    const double before_day = std::max(tt_julian_day - half_step, first_day);
    const double after_day = std::min(tt_julian_day + half_step, last_day);
    const auto before = at(before_day);
    if (!before) return failure(before.error());
    const auto after = at(after_day);
    if (!after) return failure(after.error());
    // Divided by the days actually evaluated, which rounding moved off the half-steps.
    return angular_error_deg(after->longitude_deg, before->longitude_deg) / (after_day - before_day);
}

double ApparentTrack::sampling_step_days() const {
    switch (body_) {
        // The Moon's 15 degrees a day; its latitude changes sign twice a month.
        case Body::Moon: return 1.0;
        // The Sun's latitude, within an arcsecond, follows the Moon's pull on the Earth.
        case Body::Sun: return 2.0;
        // Mercury's retrograde arcs last three weeks at least, Venus's and Mars's six.
        case Body::Mercury: return 2.0;
        case Body::Venus:
        case Body::Mars: return 4.0;
        default: return 8.0;
    }
}

}  // namespace orbyx
