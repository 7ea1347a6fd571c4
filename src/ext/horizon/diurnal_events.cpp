#include "ext/horizon/diurnal_events.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/observer.hpp"
#include "ext/horizon/sky_track.hpp"
#include "ext/time/earth_orientation.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

constexpr double REFRACTION_AT_HORIZON_DEG = 34.0 / 60.0;
// IAU WGCCRE mean lunar radius.
constexpr double MOON_RADIUS_KM = 1737.4;

// Transits bracket every crossing, so the span searched reaches past both ends by
// more than the longest gap between them (half a lunar day, 0.52 days).
constexpr double PAD_DAYS = 1.0;
constexpr double TRACK_MARGIN_DAYS = 0.5;
constexpr double SIDEREAL_RATE_RAD_PER_UT1_DAY = 6.300387486754831;
constexpr double MIN_TRANSIT_GAP_DAYS = 0.25;
// Newton's steps on the interpolated place converge quadratically: once a step is
// below a second, its own result is good to well under a millisecond; a search
// without a usable slope stops at 9 ms.
constexpr double TRUSTED_STEP_DAYS = 1e-5;
constexpr double TIME_TOLERANCE_DAYS = 1e-7;
// An altitude moving at 0.05 rad/day (0.1"/s) or more.
constexpr double STEEP_RAD_PER_DAY = 0.05;
constexpr int MAX_STEPS = 60;
// The body's own motion in declination moves the altitude's turning point off the
// transit, by the altitude's rate there over its diurnal curvature: minutes and
// hundredths of a degree but near the poles. Within this margin of the target, plus
// that estimate, the turning point is sought, at least this far either way.
constexpr double TURNING_MARGIN_RAD = 1.0 * DEGREES_TO_RADIANS;
constexpr double TURNING_REACH_DAYS = 0.15;
constexpr double GOLDEN = 0.6180339887498949;

// A transit, or the altitude's turning point next to it, with the altitude over
// the target there.
struct TurningPoint {
    double ut1;
    bool upper;
    double excess_rad;
    double sin_altitude;
    // How far beyond this altitude, and how long from now, the altitude may still
    // turn (estimates; infinite on the pole).
    double overshoot_rad;
    double reach_days;
};

class Search {
public:
    Search(const SkyTrack& track, const HorizonTarget& target, double latitude_deg)
        : track_(track),
          altitude_rad_(target.altitude_deg * DEGREES_TO_RADIANS),
          radius_km_(target.limb_radius_km),
          cos_latitude_(std::cos(latitude_deg * DEGREES_TO_RADIANS)) {}

    static double hour_angle(const SiteDirection& d) { return std::atan2(-d.east, d.meridian); }
    static double hour_angle_rate(const SiteDirection& d) {
        return (d.east * d.meridian_rate - d.meridian * d.east_rate) / (d.east * d.east + d.meridian * d.meridian);
    }
    double hour_angle(double ut1) const { return hour_angle(track_.at(ut1)); }

    double target_rad(double distance_km) const {
        return radius_km_ > 0.0 ? altitude_rad_ - std::asin(std::min(1.0, radius_km_ / distance_km))
                                : altitude_rad_;
    }

    TurningPoint turning_point(double ut1, const SiteDirection& d, bool upper) const {
        const double sin_altitude = std::clamp(d.up, -1.0, 1.0);
        // sin(altitude) turns at rate^2 / (2 curvature) beyond, rate / curvature later.
        const double curvature = SIDEREAL_RATE_RAD_PER_UT1_DAY * SIDEREAL_RATE_RAD_PER_UT1_DAY * cos_latitude_ *
                                 std::sqrt(d.east * d.east + d.meridian * d.meridian);
        const double cos_altitude = std::max(std::sqrt(1.0 - sin_altitude * sin_altitude), 1e-3);
        const bool turns = curvature > 0.0;
        const double overshoot = turns ? d.up_rate * d.up_rate / (2.0 * curvature) / cos_altitude : INFINITY;
        const double reach = turns ? std::abs(d.up_rate) / curvature : INFINITY;
        return {ut1, upper, std::asin(sin_altitude) - target_rad(d.distance_km), sin_altitude, overshoot, reach};
    }
    TurningPoint turning_point(double ut1, bool upper) const {
        return turning_point(ut1, track_.at(ut1), upper);
    }

    double excess(double ut1) const { return turning_point(ut1, true).excess_rad; }

    // The upper or lower transit near `guess`, by Newton's steps on the hour angle.
    // The altitude is the last one evaluated, within a second of the transit, where
    // it is stationary.
    TurningPoint meridian_passage(bool upper, double guess) const {
        const double target_rad = upper ? 0.0 : PI;
        double t = guess;
        SiteDirection d{};
        for (int step = 0; step < MAX_STEPS; ++step) {
            d = track_.at(t);
            double rate = hour_angle_rate(d);
            if (!(rate > 0.0)) rate = SIDEREAL_RATE_RAD_PER_UT1_DAY;
            const double change = -wrapped_to_half_turn_rad(hour_angle(d) - target_rad) / rate;
            t += change;
            if (std::abs(change) < TRUSTED_STEP_DAYS) break;
        }
        return turning_point(t, d, upper);
    }
    // The altitude's extreme next to a transit, within reach and inside (low, high).
    TurningPoint turning_point_near(const TurningPoint& transit, double low, double high) const {
        const double sign = transit.upper ? 1.0 : -1.0;
        const double reach = std::max(TURNING_REACH_DAYS, 2.0 * transit.reach_days);
        double a = std::max(low, transit.ut1 - reach);
        double b = std::min(high, transit.ut1 + reach);
        double c = b - GOLDEN * (b - a), d = a + GOLDEN * (b - a);
        double fc = sign * excess(c), fd = sign * excess(d);
        while (b - a > TIME_TOLERANCE_DAYS) {
            if (fc > fd) {
                b = d;
                d = c;
                fd = fc;
                c = b - GOLDEN * (b - a);
                fc = sign * excess(c);
            } else {
                a = c;
                c = d;
                fc = fd;
                d = a + GOLDEN * (b - a);
                fd = sign * excess(d);
            }
        }
        const TurningPoint found = turning_point(0.5 * (a + b), transit.upper);
        return sign * found.excess_rad > sign * transit.excess_rad ? found : transit;
    }

    // The crossing between two turning points of opposite sides, where the altitude
    // is monotonic: a first guess from a diurnal circle through both, then Newton's
    // steps, kept inside the bracket. What the circle missed by at the last two
    // crossings of the same kind (days), extrapolated, corrects the guess; it returns
    // with this one's.
    double crossing(const TurningPoint& first, const TurningPoint& second, std::array<double, 2>& misses) const {
        const TurningPoint& upper = first.upper ? first : second;
        const TurningPoint& lower = first.upper ? second : first;
        const double mean = 0.5 * (upper.sin_altitude + lower.sin_altitude);
        const double amplitude = 0.5 * (upper.sin_altitude - lower.sin_altitude);
        const double target = std::asin(upper.sin_altitude) - upper.excess_rad;
        const double angle = std::acos(std::clamp((std::sin(target) - mean) / amplitude, -1.0, 1.0));
        const double model = upper.ut1 + angle / PI * (lower.ut1 - upper.ut1);

        double low = first.ut1, high = second.ut1;
        const bool low_above = first.excess_rad > 0.0;
        double x = model + 2.0 * misses[1] - misses[0];
        if (!(x > low && x < high)) x = 0.5 * (low + high);
        for (int step = 0; step < MAX_STEPS; ++step) {
            const SiteDirection d = track_.at(x);
            const double sin_altitude = std::clamp(d.up, -1.0, 1.0);
            const double f = std::asin(sin_altitude) - target_rad(d.distance_km);
            if (f == 0.0) break;
            ((f > 0.0) == low_above ? low : high) = x;
            const double slope = d.up_rate / std::sqrt(1.0 - sin_altitude * sin_altitude);
            const double change = -f / slope;
            // Newton's error is the step squared times half the altitude's curvature
            // over its slope, a few per day unless the slope nearly vanishes.
            const double trusted = std::abs(slope) > STEEP_RAD_PER_DAY ? TRUSTED_STEP_DAYS : TIME_TOLERANCE_DAYS;
            // A converged step may round onto x, an end of the bracket: a day number
            // resolves 40 us.
            if (std::abs(change) < trusted) {
                x = std::clamp(x + change, low, high);
                break;
            }
            x = std::isfinite(change) && x + change > low && x + change < high ? x + change : 0.5 * (low + high);
            if (high - low < TIME_TOLERANCE_DAYS) break;
        }
        if (std::isfinite(model)) misses = {misses[1], x - model};
        return x;
    }

private:
    const SkyTrack& track_;
    double altitude_rad_;
    double radius_km_;
    double cos_latitude_;
};

// Upper and lower transits alternately, from before `first` to after `last`.
Result<std::vector<TurningPoint>, EphemerisError> transits(const Search& search, double first, double last) {
    std::vector<TurningPoint> found;
    const double start_angle = search.hour_angle(first);
    bool upper = start_angle < 0.0;
    double guess = first + (upper ? -start_angle : PI - start_angle) / SIDEREAL_RATE_RAD_PER_UT1_DAY;
    while (true) {
        found.push_back(search.meridian_passage(upper, guess));
        const std::size_t n = found.size();
        // Transits are hours apart; anything else would repeat forever.
        const bool advanced = n < 2 || found[n - 1].ut1 >= found[n - 2].ut1 + MIN_TRANSIT_GAP_DAYS;
        if (!std::isfinite(found.back().ut1) || !advanced) {
            return failure(EphemerisError::evaluation("the body's transits could not be followed"));
        }
        if (found.back().ut1 > last) break;
        upper = !upper;
        // The next half day like the last two of its parity, and their drift: the
        // Moon's parallax makes the upper and lower halves of its day differ.
        if (n >= 5) {
            const double previous = found[n - 2].ut1 - found[n - 3].ut1;
            const double before = found[n - 4].ut1 - found[n - 5].ut1;
            guess = found[n - 1].ut1 + 2.0 * previous - before;
        } else {
            guess = found.back().ut1 + PI / SIDEREAL_RATE_RAD_PER_UT1_DAY;
        }
    }
    return found;
}

}  // namespace

HorizonTarget almanac_horizon(std::int32_t target) {
    // Almanacs take the Sun's semidiameter as 16' whatever its distance; near the
    // polar circles, where the Sun grazes the horizon, the 0.3' it varies by moves
    // a rise by half a minute.
    if (target == naif_id(Body::Sun)) return {SUN_UPPER_LIMB_ALTITUDE_DEG, 0.0};
    if (target == naif_id(Body::Moon)) return {-REFRACTION_AT_HORIZON_DEG, MOON_RADIUS_KM};
    return {-REFRACTION_AT_HORIZON_DEG, 0.0};
}

HorizonTarget twilight_horizon(Twilight twilight) {
    switch (twilight) {
        case Twilight::Civil: return {-6.0};
        case Twilight::Nautical: return {-12.0};
        case Twilight::Astronomical: return {-18.0};
    }
    return {-6.0};
}

Result<std::vector<DiurnalEvent>, EphemerisError> diurnal_events(SpkEphemeris& engine, std::int32_t body,
                                                                 const GeodeticObserver& observer,
                                                                 const Instant& start,
                                                                 const Instant& end,
                                                                 const HorizonTarget& target,
                                                                 bool with_transits) {
    if (body == naif_id(Body::Earth)) return failure(EphemerisError::unsupported_body(Body::Earth));
    if (!std::isfinite(target.altitude_deg)) {
        return failure(EphemerisError::invalid_request("horizon altitude must be finite"));
    }
    if (const auto valid = validate_observer(observer); !valid) {
        return failure(EphemerisError::invalid_request(message(valid.error())));
    }
    // Beyond the time tables the Earth turns by the ΔT model, as everywhere in the companion.
    const auto first = earth_orientation(engine, start);
    if (!first) return failure(first.error());
    const auto last = earth_orientation(engine, end);
    if (!last) return failure(last.error());
    const double start_ut1 = first->ut1_julian_day, end_ut1 = last->ut1_julian_day;
    if (end_ut1 < start_ut1) return failure(EphemerisError::invalid_request("search end is before its start"));
    std::vector<DiurnalEvent> events;
    if (end_ut1 == start_ut1) return events;

    const auto track = SkyTrack::build(engine, body, observer, start_ut1 - PAD_DAYS - TRACK_MARGIN_DAYS,
                                       end_ut1 + PAD_DAYS + TRACK_MARGIN_DAYS);
    if (!track) return failure(track.error());
    const Search search(*track, target, observer.latitude_deg);
    auto found = transits(search, start_ut1 - PAD_DAYS, end_ut1 + PAD_DAYS);
    if (!found) return failure(found.error());
    std::vector<TurningPoint>& turning = *found;

    const auto within = [&](double ut1) { return ut1 >= start_ut1 && ut1 < end_ut1; };
    if (with_transits) {
        for (const TurningPoint& transit : turning) {
            if (within(transit.ut1)) {
                events.push_back({transit.ut1, transit.upper ? DiurnalEventKind::UpperTransit
                                                             : DiurnalEventKind::LowerTransit});
            }
        }
    }
    const std::size_t transit_count = events.size();
    // Near the target the altitude's own extreme, not the transit, bounds the
    // stretch where it is monotonic: a short dip below the horizon lives there.
    for (std::size_t k = 0; k < turning.size(); ++k) {
        if (std::abs(turning[k].excess_rad) >= TURNING_MARGIN_RAD + turning[k].overshoot_rad) continue;
        const double low = k > 0 ? turning[k - 1].ut1 : turning[k].ut1 - TURNING_REACH_DAYS;
        const double high = k + 1 < turning.size() ? turning[k + 1].ut1 : turning[k].ut1 + TURNING_REACH_DAYS;
        turning[k] = search.turning_point_near(turning[k], low, high);
    }
    std::array<double, 2> misses[2] = {{0.0, 0.0}, {0.0, 0.0}};  // sets, rises
    for (std::size_t k = 0; k + 1 < turning.size(); ++k) {
        const bool above = turning[k].excess_rad > 0.0;
        if (above == (turning[k + 1].excess_rad > 0.0)) continue;
        const double ut1 = search.crossing(turning[k], turning[k + 1], misses[above ? 0 : 1]);
        if (within(ut1)) events.push_back({ut1, above ? DiurnalEventKind::Set : DiurnalEventKind::Rise});
    }
    const auto earlier = [](const DiurnalEvent& a, const DiurnalEvent& b) {
        return a.ut1_julian_day < b.ut1_julian_day;
    };
    std::inplace_merge(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(transit_count), events.end(),
                       earlier);
    return events;
}

}  // namespace orbyx
