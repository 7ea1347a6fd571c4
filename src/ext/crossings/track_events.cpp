#include "ext/crossings/track_events.hpp"

#include <algorithm>
#include <cmath>

#include "ext/crossings/apparent_track.hpp"
#include "ext/crossings/root_bracket.hpp"
#include "spk/ecliptic_of_date_search.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

struct Sample {
    double day;  // TT Julian day
    double longitude_deg;
    double latitude_deg;
};

// The search runs on TT days, the scale its events come back in.
struct TtRange {
    double first_day;
    double last_day;
};

Result<TtRange, EphemerisError> tt_range(const SpkEphemeris& engine, const Instant& start,
                                         const Instant& end) {
    const auto first = convert_instant(engine, start, TimeScale::Tt);
    if (!first) return failure(first.error());
    const auto last = convert_instant(engine, end, TimeScale::Tt);
    if (!last) return failure(last.error());
    if (last->instant.julian_day < first->instant.julian_day) {
        return failure(EphemerisError::invalid_request("search end is before its start"));
    }
    return TtRange{first->instant.julian_day, last->instant.julian_day};
}

Result<Sample, EphemerisError> sample_at(const ApparentTrack& track, double day) {
    const auto place = track.at(day);
    if (!place) return failure(place.error());
    return Sample{day, place->longitude_deg, place->latitude_deg};
}

// Samples `step` days apart from the first day to the last, both included; the
// first alone for an empty range, which still answers whether the body can be followed.
// Both ends first, so that a range the engine cannot follow is refused at its end.
// A track without fixed steps takes at each sample the step its geometry allows there.
Result<std::vector<Sample>, EphemerisError> sampled_track(const ApparentTrack& track, TtRange range,
                                                          double step) {
    const auto first = sample_at(track, range.first_day);
    if (!first) return failure(first.error());
    const auto last = sample_at(track, range.last_day);
    if (!last) return failure(last.error());
    std::vector<Sample> samples{*first};
    if (range.last_day == range.first_day) return samples;
    if (track.has_fixed_steps()) {
        const auto intervals = static_cast<std::size_t>(std::ceil((range.last_day - range.first_day) / step));
        samples.reserve(intervals + 1);
        for (std::size_t k = 1; k < intervals; ++k) {
            const auto sample = sample_at(track, range.first_day + static_cast<double>(k) * step);
            if (!sample) return failure(sample.error());
            samples.push_back(*sample);
        }
    } else {
        for (double day = range.first_day;;) {
            const auto local_step = track.step_days_from(day, step);
            if (!local_step) return failure(local_step.error());
            day += *local_step;
            if (day >= range.last_day) break;
            const auto sample = sample_at(track, day);
            if (!sample) return failure(sample.error());
            samples.push_back(*sample);
        }
    }
    samples.push_back(*last);
    return samples;
}

int sign_of(double value) { return (value > 0.0) - (value < 0.0); }

// The sign of the longitude's motion over [first_day, last_day].
struct Motion {
    double first_day;
    double last_day;
    int sign;
};

// Stations from the motion between samples, and the true rate at both ends of the
// range: where the motion turns, the rate changes sign within the two steps around.
// The longitude step keeps stations more than two steps apart, so each bracket holds
// one and the rate at its ends has the signs of the motions around it.
Result<std::vector<TrackEvent<StationKind>>, EphemerisError> stations_among(
    const ApparentTrack& track, const std::vector<Sample>& samples, TtRange range) {
    const auto rate = [&](double day) { return track.longitude_rate(day); };
    std::vector<Motion> motions;
    motions.reserve(samples.size() + 1);
    const auto first_rate = rate(range.first_day);
    if (!first_rate) return failure(first_rate.error());
    motions.push_back({range.first_day, range.first_day, sign_of(*first_rate)});
    for (std::size_t k = 0; k + 1 < samples.size(); ++k) {
        const double moved = angular_error_deg(samples[k + 1].longitude_deg, samples[k].longitude_deg);
        motions.push_back({samples[k].day, samples[k + 1].day, sign_of(moved)});
    }
    const auto last_rate = rate(range.last_day);
    if (!last_rate) return failure(last_rate.error());
    motions.push_back({range.last_day, range.last_day, sign_of(*last_rate)});

    std::vector<TrackEvent<StationKind>> found;
    const Motion* previous = nullptr;
    for (const Motion& motion : motions) {
        if (motion.sign == 0) continue;
        if (previous != nullptr && motion.sign != previous->sign) {
            const auto rate_before = rate(previous->first_day);
            if (!rate_before) return failure(rate_before.error());
            const auto rate_after = rate(motion.last_day);
            if (!rate_after) return failure(rate_after.error());
            if (sign_of(*rate_before) * sign_of(*rate_after) < 0) {
                const auto day = root_in_bracket(rate, previous->first_day, motion.last_day, *rate_before,
                                                 *rate_after);
                if (!day) return failure(day.error());
                if (*day < range.last_day) {
                    found.push_back({*day, *rate_before > 0.0 ? StationKind::Retrograde : StationKind::Direct});
                }
            }
        }
        previous = &motion;
    }
    return found;
}

// Whether a value going from `before` to `after` reaches zero after `before`, up to
// and including `after`; each zero belongs to one interval.
bool reaches_zero(double before, double after) {
    return (before < 0.0 && after >= 0.0) || (before > 0.0 && after <= 0.0);
}

}  // namespace

std::string_view canonical_name(LongitudeDirection direction) {
    return direction == LongitudeDirection::Increasing ? "increasing" : "decreasing";
}

std::string_view canonical_name(LatitudeDirection direction) {
    return direction == LatitudeDirection::Ascending ? "ascending" : "descending";
}

std::string_view canonical_name(StationKind kind) {
    return kind == StationKind::Retrograde ? "retrograde" : "direct";
}

Result<std::vector<TrackEvent<LongitudeDirection>>, EphemerisError> longitude_crossings(
    SpkEphemeris& engine, std::int32_t target, double longitude_deg, const Instant& start, const Instant& end,
    const std::optional<SiderealOrigin>& origin) {
    if (!std::isfinite(longitude_deg)) {
        return failure(EphemerisError::invalid_request("crossing longitude must be finite"));
    }
    const SharedLengthChecks length_checks(engine.kernels());
    const auto range = tt_range(engine, start, end);
    if (!range) return failure(range.error());
    const ApparentTrack track(engine, target, origin);
    auto samples = sampled_track(track, *range, track.longitude_step_days());
    if (!samples) return failure(samples.error());
    if (samples->size() < 2) return std::vector<TrackEvent<LongitudeDirection>>{};

    // Once split at the stations, the track is monotonic between knots and moves less
    // than half a circle: each crossing shows as one change of sign.
    const auto turns = stations_among(track, *samples, *range);
    if (!turns) return failure(turns.error());
    for (const auto& turn : *turns) {
        const auto knot = sample_at(track, turn.tt_julian_day);
        if (!knot) return failure(knot.error());
        samples->push_back(*knot);
    }
    std::sort(samples->begin(), samples->end(), [](const Sample& a, const Sample& b) { return a.day < b.day; });

    const auto offset = [&](double day) -> Result<double, EphemerisError> {
        const auto place = track.at(day);
        if (!place) return failure(place.error());
        return angular_error_deg(place->longitude_deg, longitude_deg);
    };
    std::vector<TrackEvent<LongitudeDirection>> found;
    for (std::size_t k = 0; k + 1 < samples->size(); ++k) {
        const Sample& a = (*samples)[k];
        const Sample& b = (*samples)[k + 1];
        const double before = angular_error_deg(a.longitude_deg, longitude_deg);
        const double after = angular_error_deg(b.longitude_deg, longitude_deg);
        // A jump of half a circle is the wrap opposite the target.
        if (!reaches_zero(before, after) || std::abs(after - before) >= 180.0) continue;
        const auto day = root_in_bracket(offset, a.day, b.day, before, after);
        if (!day) return failure(day.error());
        if (*day >= range->last_day) continue;
        found.push_back({*day, after > before ? LongitudeDirection::Increasing : LongitudeDirection::Decreasing});
    }
    return found;
}

Result<std::vector<TrackEvent<LatitudeDirection>>, EphemerisError> ecliptic_passages(
    SpkEphemeris& engine, std::int32_t target, const Instant& start, const Instant& end) {
    const SharedLengthChecks length_checks(engine.kernels());
    const auto range = tt_range(engine, start, end);
    if (!range) return failure(range.error());
    const ApparentTrack track(engine, target, std::nullopt);
    const auto samples = sampled_track(track, *range, track.latitude_step_days());
    if (!samples) return failure(samples.error());

    const auto latitude = [&](double day) -> Result<double, EphemerisError> {
        const auto place = track.at(day);
        if (!place) return failure(place.error());
        return place->latitude_deg;
    };
    std::vector<TrackEvent<LatitudeDirection>> found;
    for (std::size_t k = 0; k + 1 < samples->size(); ++k) {
        const Sample& a = (*samples)[k];
        const Sample& b = (*samples)[k + 1];
        if (!reaches_zero(a.latitude_deg, b.latitude_deg)) continue;
        const auto day = root_in_bracket(latitude, a.day, b.day, a.latitude_deg, b.latitude_deg);
        if (!day) return failure(day.error());
        if (*day >= range->last_day) continue;
        found.push_back({*day, b.latitude_deg > a.latitude_deg ? LatitudeDirection::Ascending
                                                               : LatitudeDirection::Descending});
    }
    return found;
}

Result<std::vector<TrackEvent<StationKind>>, EphemerisError> stations(SpkEphemeris& engine, std::int32_t target,
                                                                     const Instant& start,
                                                                     const Instant& end,
                                                                     const std::optional<SiderealOrigin>& origin) {
    const SharedLengthChecks length_checks(engine.kernels());
    const auto range = tt_range(engine, start, end);
    if (!range) return failure(range.error());
    const ApparentTrack track(engine, target, origin);
    const auto samples = sampled_track(track, *range, track.longitude_step_days());
    if (!samples) return failure(samples.error());
    if (samples->size() < 2) return std::vector<TrackEvent<StationKind>>{};
    return stations_among(track, *samples, *range);
}

}  // namespace orbyx
