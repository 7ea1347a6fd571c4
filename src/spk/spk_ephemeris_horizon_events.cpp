#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/horizon_crossing.hpp"
#include "core/observer.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// No convergence test: eight steps at the sidereal rate settle well below a second.
constexpr int REFINEMENT_STEPS = 8;
constexpr double SIDEREAL_RATE_RAD_PER_UT1_DAY = 6.300387486754831;
// pi / SIDEREAL_RATE_RAD_PER_UT1_DAY: half a turn when the error's sign is undecided.
constexpr double HALF_TURN_STEP_DAYS = 0.49863483161857836;
constexpr std::array<double, 3> NEXT_EVENT_DAY_OFFSETS = {0.0, 1.0, 2.0};
constexpr int NEXT_EVENT_SEARCH_DAYS = 3;
// An event at the query instant itself (to rounding) is not "after" it.
constexpr double AFTER_MARGIN_DAYS = 1.0 / SECONDS_PER_DAY;

// Hour angles live in (-pi, pi].
double wrapped_hour_angle(double angle_rad) {
    const double wrapped = wrapped_to_half_turn_rad(angle_rad);
    return wrapped > -PI ? wrapped : PI;
}

bool is_horizon_body(Body body) { return body == Body::Sun || body == Body::Moon; }

// Right ascension is longitude_deg, declination latitude_deg.
PositionOptions apparent_equatorial_of_date(const GeodeticObserver& observer) {
    PositionOptions options{{OriginKind::Topocentric, observer}, CoordinateSystem::Equatorial,
                            ReferenceEpoch::OfDate};
    options.apparent = true;
    return options;
}

EphemerisError does_not_cross() {
    return EphemerisError::invalid_request("body does not cross the requested altitude");
}

// The hour angle the body must reach: 0 at transit, -H0 at rise, +H0 at set.
Result<double, EphemerisError> target_hour_angle(HorizonEventKind kind, double latitude_rad,
                                                 double declination_rad, double altitude_rad) {
    if (kind == HorizonEventKind::Transit) return 0.0;
    const auto crossing = rise_set_hour_angle(latitude_rad, declination_rad, altitude_rad);
    if (!crossing) return failure(EphemerisError::invalid_request(message(crossing.error())));
    if (crossing->kind != HorizonCrossing::Kind::Crosses) return failure(does_not_cross());
    return kind == HorizonEventKind::Rise ? -crossing->hour_angle_rad : crossing->hour_angle_rad;
}

// Walks the UT1 day `start` toward the instant the body's hour angle reaches the
// target of `kind`, re-evaluating the body's place at every step.
Result<double, EphemerisError> refine_horizon_event(SpkEphemeris& engine, Body body,
                                                    const GeodeticObserver& observer,
                                                    HorizonEventKind kind, double start_ut1_julian_day,
                                                    double altitude_rad) {
    const PositionOptions options = apparent_equatorial_of_date(observer);
    const double latitude_rad = observer.latitude_deg * DEGREES_TO_RADIANS;
    const double longitude_rad = observer.longitude_east_deg * DEGREES_TO_RADIANS;
    double ut1 = start_ut1_julian_day;
    for (int step = 0; step < REFINEMENT_STEPS; ++step) {
        const Instant instant{ut1, TimeScale::Ut1};
        const auto epochs = engine.earth_rotation_epochs(instant);
        if (!epochs) return failure(epochs.error());
        const auto place = engine.position(body, instant, options);
        if (!place) return failure(place.error());
        const double right_ascension_rad = place->longitude_deg * DEGREES_TO_RADIANS;
        const double declination_rad = place->latitude_deg * DEGREES_TO_RADIANS;

        const double sidereal_time_rad = local_apparent_sidereal_time_iau2006(
            longitude_rad, epochs->ut1_julian_day, epochs->tt_julian_day);
        const double hour_angle_rad = wrapped_hour_angle(sidereal_time_rad - right_ascension_rad);
        const auto target = target_hour_angle(kind, latitude_rad, declination_rad, altitude_rad);
        if (!target) return failure(target.error());

        const double error_rad = wrapped_to_half_turn_rad(*target - hour_angle_rad);
        ut1 += error_rad > -PI ? error_rad / SIDEREAL_RATE_RAD_PER_UT1_DAY : HALF_TURN_STEP_DAYS;
    }
    return ut1;
}

std::optional<double> event_of_kind(const RiseSetTransit& events, HorizonEventKind kind) {
    switch (kind) {
        case HorizonEventKind::Rise: return events.rise_ut1_julian_day;
        case HorizonEventKind::Set: return events.set_ut1_julian_day;
        case HorizonEventKind::Transit: return events.transit_ut1_julian_day;
    }
    return std::nullopt;
}

EphemerisError no_event_within_search(HorizonEventKind kind, Body body) {
    return EphemerisError::invalid_request("no " + std::string(debug_name(kind)) + " of " +
                                           std::string(debug_name(body)) + " within " +
                                           std::to_string(NEXT_EVENT_SEARCH_DAYS) +
                                           " days after the query instant");
}

}  // namespace

Result<RiseSetTransit, EphemerisError> SpkEphemeris::rise_set_transit(Body body,
                                                                      const GeodeticObserver& observer,
                                                                      const Instant& around,
                                                                      double altitude_deg) {
    if (!is_horizon_body(body)) return failure(EphemerisError::unsupported_body(body));
    if (!std::isfinite(altitude_deg)) {
        return failure(EphemerisError::invalid_request("horizon altitude must be finite"));
    }
    if (const auto valid = validate_observer(observer); !valid) {
        return failure(EphemerisError::invalid_request(message(valid.error())));
    }
    const auto epochs = earth_rotation_epochs(around);
    if (!epochs) return failure(epochs.error());

    // One engine operation: its record reads share one check of each kernel file's length.
    const SharedLengthChecks length_checks(kernels_);
    const double altitude_rad = altitude_deg * DEGREES_TO_RADIANS;
    const auto transit = refine_horizon_event(*this, body, observer, HorizonEventKind::Transit,
                                              epochs->ut1_julian_day, altitude_rad);
    if (!transit) return failure(transit.error());
    const auto place = position(body, {*transit, TimeScale::Ut1}, apparent_equatorial_of_date(observer));
    if (!place) return failure(place.error());

    const auto crossing = rise_set_hour_angle(observer.latitude_deg * DEGREES_TO_RADIANS,
                                              place->latitude_deg * DEGREES_TO_RADIANS, altitude_rad);
    if (!crossing) return failure(EphemerisError::invalid_request(message(crossing.error())));
    if (crossing->kind != HorizonCrossing::Kind::Crosses) {
        return RiseSetTransit{std::nullopt, std::nullopt, *transit};
    }
    const auto rise =
        refine_horizon_event(*this, body, observer, HorizonEventKind::Rise, *transit, altitude_rad);
    if (!rise) return failure(rise.error());
    const auto set =
        refine_horizon_event(*this, body, observer, HorizonEventKind::Set, *transit, altitude_rad);
    if (!set) return failure(set.error());
    return RiseSetTransit{*rise, *set, *transit};
}

Result<HorizonEvent, EphemerisError> SpkEphemeris::next_horizon_event(Body body,
                                                                      const GeodeticObserver& observer,
                                                                      const Instant& after,
                                                                      HorizonEventKind kind,
                                                                      double altitude_deg) {
    const auto epochs = earth_rotation_epochs(after);
    if (!epochs) return failure(epochs.error());
    const double query_ut1 = epochs->ut1_julian_day;
    const SharedLengthChecks length_checks(kernels_);
    for (const double offset_days : NEXT_EVENT_DAY_OFFSETS) {
        const auto events =
            rise_set_transit(body, observer, {query_ut1 + offset_days, TimeScale::Ut1}, altitude_deg);
        if (!events) {
            // Later days only widen the search; their failures mean "nothing found".
            if (offset_days == NEXT_EVENT_DAY_OFFSETS.front()) return failure(events.error());
            return failure(no_event_within_search(kind, body));
        }
        const auto candidate = event_of_kind(*events, kind);
        if (candidate && *candidate > query_ut1 + AFTER_MARGIN_DAYS) return HorizonEvent{kind, *candidate};
    }
    return failure(no_event_within_search(kind, body));
}

}  // namespace orbyx
