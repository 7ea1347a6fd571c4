#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "spk/ecliptic_of_date_search.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

constexpr double MINIMUM_SPEED_DEG_PER_DAY = 1e-6;
// A first guess closer than this is the query instant itself: aim one turn further.
constexpr double FIRST_GUESS_FLOOR_DEG = 1e-8;
constexpr double NEWTON_TOLERANCE_DAYS = 1e-10;
constexpr int MAXIMUM_NEWTON_EVALUATIONS = 12;
// An event found within a second of the query is the query itself, to rounding.
constexpr double AFTER_MARGIN_DAYS = 1.0 / SECONDS_PER_DAY;
constexpr double TROPICAL_YEAR_DAYS = 365.2421897;
constexpr double SYNODIC_MONTH_DAYS = 29.530588861;

struct AngleAndRate {
    double angle_deg;
    double rate_deg_per_day;
};

// Evaluates the searched angle at an instant of the query's scale.
using AngleFunction = Result<AngleAndRate, EphemerisError> (*)(SpkEphemeris&, const Instant&);

Result<AngleAndRate, EphemerisError> sun_longitude(SpkEphemeris& engine, const Instant& instant) {
    const auto sun = engine.position(Body::Sun, instant, apparent_geocentric_ecliptic_of_date());
    if (!sun) return failure(sun.error());
    return AngleAndRate{sun->longitude_deg, sun->longitude_speed_deg_per_day};
}

Result<AngleAndRate, EphemerisError> sun_moon_elongation(SpkEphemeris& engine, const Instant& instant) {
    const PositionOptions options = apparent_geocentric_ecliptic_of_date();
    const auto sun = engine.position(Body::Sun, instant, options);
    if (!sun) return failure(sun.error());
    const auto moon = engine.position(Body::Moon, instant, options);
    if (!moon) return failure(moon.error());
    return AngleAndRate{reduced_to_circle_deg(moon->longitude_deg - sun->longitude_deg),
                        moon->longitude_speed_deg_per_day - sun->longitude_speed_deg_per_day};
}

// Newton steps need a rate that can be divided by.
Status<EphemerisError> check_usable_rate(double rate_deg_per_day) {
    if (!std::isfinite(rate_deg_per_day) || std::abs(rate_deg_per_day) < MINIMUM_SPEED_DEG_PER_DAY) {
        return failure(
            EphemerisError::invalid_request("longitude speed is too small to search for the event"));
    }
    return {};
}

// Julian day (in `scale`) near `start` at which the angle reaches the target. Stops
// after the step falls below the tolerance or after the last evaluation allowed;
// the last estimate stands either way.
Result<double, EphemerisError> newton_longitude_zero(SpkEphemeris& engine, double start_julian_day,
                                                     TimeScale scale, double target_deg,
                                                     AngleFunction angle) {
    double julian_day = start_julian_day;
    for (int evaluation = 0; evaluation < MAXIMUM_NEWTON_EVALUATIONS; ++evaluation) {
        const auto current = angle(engine, Instant{julian_day, scale});
        if (!current) return failure(current.error());
        if (auto usable = check_usable_rate(current->rate_deg_per_day); !usable) {
            return failure(std::move(usable).error());
        }
        const double step_days = angular_error_deg(current->angle_deg, target_deg) / current->rate_deg_per_day;
        const double next_julian_day = julian_day - step_days;
        // A step too small to move the day would repeat this very evaluation until
        // the last one: the answer is already final.
        if (next_julian_day == julian_day) break;
        julian_day = next_julian_day;
        if (std::abs(step_days) < NEWTON_TOLERANCE_DAYS) break;
    }
    return julian_day;
}

// The first instant after `query` at which the angle reaches the target, in TT. The
// search runs in the query's own scale; only the answer is converted.
Result<Instant, EphemerisError> refine_longitude_zero(SpkEphemeris& engine, const Instant& query,
                                                      double target_deg, double period_days,
                                                      AngleFunction angle) {
    const auto start = angle(engine, query);
    if (!start) return failure(start.error());
    if (auto usable = check_usable_rate(start->rate_deg_per_day); !usable) {
        return failure(std::move(usable).error());
    }
    double ahead_deg = reduced_to_circle_deg(target_deg - start->angle_deg);
    if (ahead_deg < FIRST_GUESS_FLOOR_DEG) ahead_deg = 360.0;
    const double guess = query.julian_day + ahead_deg / start->rate_deg_per_day;

    auto found = newton_longitude_zero(engine, guess, query.time_scale, target_deg, angle);
    if (!found) return failure(found.error());
    // Newton can fall back onto the query's own event; the next one is a period later.
    if (*found <= query.julian_day + AFTER_MARGIN_DAYS) {
        found = newton_longitude_zero(engine, *found + period_days, query.time_scale, target_deg, angle);
        if (!found) return failure(found.error());
    }
    const auto tt_julian_day = engine.instant_as_tt(Instant{*found, query.time_scale});
    if (!tt_julian_day) return failure(tt_julian_day.error());
    return Instant{*tt_julian_day, TimeScale::Tt};
}

}  // namespace

// A search is one engine operation: its record reads share one check of each
// kernel file's length.
Result<Instant, EphemerisError> SpkEphemeris::next_sun_longitude(const Instant& after, double target_deg) {
    const SharedLengthChecks length_checks(kernels_);
    return refine_longitude_zero(*this, after, target_deg, TROPICAL_YEAR_DAYS, sun_longitude);
}

Result<Instant, EphemerisError> SpkEphemeris::next_sun_moon_elongation(const Instant& after,
                                                                       double target_deg) {
    const SharedLengthChecks length_checks(kernels_);
    return refine_longitude_zero(*this, after, target_deg, SYNODIC_MONTH_DAYS, sun_moon_elongation);
}

}  // namespace orbyx
