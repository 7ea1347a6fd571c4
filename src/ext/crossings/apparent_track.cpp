#include "ext/crossings/apparent_track.hpp"

#include <algorithm>

#include "core/angle_reduction.hpp"
#include "ext/bodies/line_of_sight.hpp"
#include "ext/bodies/named_bodies.hpp"

#include "spk/ecliptic_of_date_search.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// The central difference errs by the longitude's third derivative times the square of
// the half-step, and by its rounding over the half-step: at this fraction of the
// sampling step both move a station by well under 10 ms.
constexpr double RATE_HALF_STEP_PER_SAMPLING_STEP = 2.5e-4;
constexpr double RANGE_END_MARGIN_DAYS = 1e-6;

// A satellite's geocentric longitude swings about its planet's once an orbit, fast
// enough to turn back each time: Phobos's orbit takes under eight hours.
constexpr double SATELLITE_STEP_DAYS = 0.05;
// Minor planets far from the Earth turn back for months, as the Earth's orbit carries
// their line of sight; a close one is paced by its own geometry (below).
constexpr double MINOR_BODY_STEP_DAYS = 8.0;

// A body at geocentric distance D moving at speed v relative to the Earth turns its
// line of sight by at most v / D radians a unit of time. Samples a twentieth of D / v
// apart see its direction move by at most about 3 degrees, while D changes by at most
// 5% between them, so that the bound holds over the whole step: the longitude runs
// through no target and no half circle between samples unseen (but within 3 degrees
// of a pole, where 3 degrees of arc are more of longitude). What turns the relative
// velocity, and so the track, is slower still: the Sun's differential pull over weeks
// at least, the Earth's own pull on a captured body over its orbit, whose period is
// 2 pi D / v: stations fall many samples apart.
constexpr double LINE_OF_SIGHT_FRACTION = 0.05;
// A body that passes within a few Earth radii still ends its search.
constexpr double SHORTEST_STEP_DAYS = 1e-5;

}  // namespace

ApparentTrack::ApparentTrack(SpkEphemeris& engine, std::int32_t target, std::optional<SiderealOrigin> origin)
    : engine_(engine),
      target_(target),
      body_(body_of_naif_id(target)),
      origin_(origin),
      fixed_steps_(body_ || (target >= 1 && target <= 9)) {}

Result<Position, EphemerisError> ApparentTrack::at(double tt_julian_day) const {
    const Instant instant{tt_julian_day, TimeScale::Tt};
    const PositionOptions options = apparent_geocentric_ecliptic_of_date();
    // The module's modes keep the engine's own sidereal path, and so its bits.
    const auto* mode = origin_ ? std::get_if<SiderealMode>(&*origin_) : nullptr;
    if (mode != nullptr && body_) return engine_.sidereal_position(*body_, instant, options, *mode);
    auto place = body_ ? engine_.position(*body_, instant, options) : engine_.position(target_, instant, options);
    if (!place || !origin_) return place;
    const auto offset = sidereal_offset(*origin_, tt_julian_day);
    if (!offset) return failure(offset.error());
    place->longitude_deg = reduced_to_circle_deg(place->longitude_deg - offset->value_deg);
    place->longitude_speed_deg_per_day -= offset->rate_deg_per_day;
    return place;
}

Result<double, EphemerisError> ApparentTrack::longitude_rate(double tt_julian_day) const {
    // A body paced by its geometry changes over D / v: a half-step of that fraction of
    // it keeps the difference's error as small as the fixed steps' do.
    double pace_days = longitude_step_days();
    if (!fixed_steps_) {
        const auto line_of_sight = line_of_sight_days(engine_, target_, tt_julian_day);
        if (!line_of_sight) return failure(line_of_sight.error());
        pace_days = std::min(pace_days, *line_of_sight);
    }
    const double half_step = RATE_HALF_STEP_PER_SAMPLING_STEP * pace_days;
    // A search may run to the ends of the kernel's range, which is in TDB: kept off
    // them by more than TDB - TT.
    const DateRange& covered = engine_.supported_range();
    const double before_day = std::max(tt_julian_day - half_step, covered.start_julian_day + RANGE_END_MARGIN_DAYS);
    const double after_day = std::min(tt_julian_day + half_step, covered.end_julian_day - RANGE_END_MARGIN_DAYS);
    const auto before = at(before_day);
    if (!before) return failure(before.error());
    const auto after = at(after_day);
    if (!after) return failure(after.error());
    // Divided by the days actually evaluated, which rounding moved off the half-steps.
    return angular_error_deg(after->longitude_deg, before->longitude_deg) / (after_day - before_day);
}

double ApparentTrack::longitude_step_days() const {
    // A barycentre moves with its planet.
    const std::optional<Body> paced_by =
        target_ >= 1 && target_ <= 9 ? body_of_naif_id(target_ * 100 + 99) : body_;
    if (!paced_by) return is_naif_satellite(target_) ? SATELLITE_STEP_DAYS : MINOR_BODY_STEP_DAYS;
    switch (*paced_by) {
        // Neither ever turns back; the Moon runs up to 15.4 degrees a day.
        case Body::Sun: return 16.0;
        case Body::Moon: return 4.0;
        // Retrograde arcs last three weeks at least for Mercury, six for Venus and
        // Mars, four months for the others: a station's two steps hold no other.
        case Body::Mercury: return 4.0;
        case Body::Venus:
        case Body::Mars: return 8.0;
        default: return 16.0;
    }
}

Result<double, EphemerisError> ApparentTrack::step_days_from(double tt_julian_day, double step_days) const {
    if (fixed_steps_) return step_days;
    const auto line_of_sight = line_of_sight_days(engine_, target_, tt_julian_day);
    if (!line_of_sight) return failure(line_of_sight.error());
    return std::clamp(LINE_OF_SIGHT_FRACTION * *line_of_sight, SHORTEST_STEP_DAYS, step_days);
}

double ApparentTrack::latitude_step_days() const {
    // A planet's latitude changes sign at its nodes, half an orbit apart; the Moon's
    // every two weeks. The Sun's, within an arcsecond, follows the Moon's pull on the
    // Earth and may turn within days.
    return body_ == Body::Sun ? 2.0 : longitude_step_days();
}

}  // namespace orbyx
