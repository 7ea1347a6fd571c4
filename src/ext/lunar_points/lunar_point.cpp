#include "ext/lunar_points/lunar_point.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/nutation.hpp"
#include "core/of_date_rotation.hpp"
#include "ext/lunar_points/mean_lunar_elements.hpp"
#include "ext/lunar_points/osculating_orbit.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/ecliptic_of_date_search.hpp"
#include "spk/relative_state.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

constexpr std::int32_t MOON_NAIF_ID = 301;
constexpr std::int32_t EARTH_NAIF_ID = 399;

// The osculating apogee swings through its fortnightly terms at up to some 6 degrees
// a day: over this half-step the central difference errs by under 1e-7 degree a day,
// and rounding by far less.
constexpr double RATE_HALF_STEP_SECONDS = 60.0;
// Kept off the kernel's ends by more than any rounding of the day.
constexpr double RANGE_END_MARGIN_SECONDS = 1.0;

constexpr std::array<std::pair<std::string_view, LunarPointKind>, 8> NAMES = {{
    {"mean_node", LunarPointKind::MeanNode},
    {"true_node", LunarPointKind::TrueNode},
    {"mean_south_node", LunarPointKind::MeanSouthNode},
    {"true_south_node", LunarPointKind::TrueSouthNode},
    {"mean_apogee", LunarPointKind::MeanApogee},
    {"osculating_apogee", LunarPointKind::OsculatingApogee},
    {"mean_perigee", LunarPointKind::MeanPerigee},
    {"osculating_perigee", LunarPointKind::OsculatingPerigee},
}};

bool is_opposite(LunarPointKind kind) {
    return kind == LunarPointKind::MeanSouthNode || kind == LunarPointKind::TrueSouthNode ||
           kind == LunarPointKind::MeanPerigee || kind == LunarPointKind::OsculatingPerigee;
}

// The Moon's geometric geocentric state on the true ecliptic and equinox of date, the
// axes of the engine's ecliptic-of-date places: the nutation in longitude alone turns
// the osculating node by up to 17".
Result<CartesianState, EphemerisError> moon_state_of_date(SpkEphemeris& engine, double tdb_seconds) {
    auto& kernels = engine.kernels();
    const SharedLengthChecks length_checks(kernels);
    const auto earth = observer_barycentric_state(kernels, EARTH_NAIF_ID, std::nullopt, tdb_seconds);
    if (!earth) return failure(to_ephemeris_error(earth.error()));
    std::optional<StateVector> sun;
    const auto moon =
        corrected_relative_state(kernels, MOON_NAIF_ID, EARTH_NAIF_ID, Corrections{}, *earth, sun, tdb_seconds);
    if (!moon) return failure(to_ephemeris_error(moon.error()));
    const auto of_date =
        OfDateRotation(true, false, julian_day_from_seconds(tdb_seconds)).apply(*moon);
    if (!of_date) return failure(EphemerisError::evaluation(message(of_date.error())));
    return *of_date;
}

bool is_mean(LunarPointKind kind) {
    return kind == LunarPointKind::MeanNode || kind == LunarPointKind::MeanSouthNode ||
           kind == LunarPointKind::MeanApogee || kind == LunarPointKind::MeanPerigee;
}

bool is_node(LunarPointKind kind) {
    return kind == LunarPointKind::MeanNode || kind == LunarPointKind::MeanSouthNode ||
           kind == LunarPointKind::TrueNode || kind == LunarPointKind::TrueSouthNode;
}

// The north node and the apogee, mean or osculating, tropical, at `seconds` past J2000:
// TDB for the osculating points; for the mean ones TT, within 2 ms of TDB, in which
// time no mean point moves a microarcsecond. So the mean points need no kernel and
// reach beyond its range. Node and apogee share their nutation or the Moon's state.
Result<std::array<EclipticDirection, 2>, EphemerisError> reference_points(SpkEphemeris& engine, bool mean,
                                                                          double seconds) {
    const double julian_day = julian_day_from_seconds(seconds);
    if (mean) {
        // The mean points come on the mean equinox of date; the ecliptic does not
        // nutate, so on the true equinox only their longitude moves, by the nutation
        // in longitude.
        const double dpsi_deg = nutation_iau2000b(julian_day).dpsi_rad * RADIANS_TO_DEGREES;
        const auto on_true_equinox = [dpsi_deg](EclipticDirection direction) {
            return EclipticDirection{reduced_to_circle_deg(direction.longitude_deg + dpsi_deg),
                                     direction.latitude_deg};
        };
        return std::array{on_true_equinox(mean_lunar_node(julian_day)),
                          on_true_equinox(mean_lunar_apogee(julian_day))};
    }
    const auto state = moon_state_of_date(engine, seconds);
    if (!state) return failure(state.error());
    return std::array{osculating_node(*state), osculating_apogee(*state)};
}

// The seconds reference_points reads the instant at, and the span its rate may sample.
struct SampledSpan {
    double seconds;
    double first_seconds;
    double last_seconds;
};

Result<SampledSpan, EphemerisError> sampled_span(const SpkEphemeris& engine, bool mean, const Instant& evaluable,
                                                 double tt_julian_day) {
    if (mean) {
        const double seconds = seconds_since_j2000(tt_julian_day);
        return SampledSpan{seconds, seconds - RATE_HALF_STEP_SECONDS, seconds + RATE_HALF_STEP_SECONDS};
    }
    const auto tdb_seconds = engine.tdb_seconds(evaluable);
    if (!tdb_seconds) return failure(tdb_seconds.error());
    const DateRange& covered = engine.supported_range();
    return SampledSpan{*tdb_seconds,
                       std::max(*tdb_seconds - RATE_HALF_STEP_SECONDS,
                                seconds_since_j2000(covered.start_julian_day) + RANGE_END_MARGIN_SECONDS),
                       std::min(*tdb_seconds + RATE_HALF_STEP_SECONDS,
                                seconds_since_j2000(covered.end_julian_day) - RANGE_END_MARGIN_SECONDS)};
}

// The north node and the apogee at a span's samples: the instant, then before, then after.
using SampledPoints = std::array<std::array<EclipticDirection, 2>, 3>;

std::array<double, 3> sample_seconds(const SampledSpan& span) {
    return {span.seconds, span.first_seconds, span.last_seconds};
}

// The points at the instant, with their rates over the span.
std::array<LunarPoint, 2> rated(const SampledPoints& samples, const SampledSpan& span) {
    // Divided by the span actually sampled, which the kernel's ends may shorten.
    const double days = (span.last_seconds - span.first_seconds) / SECONDS_PER_DAY;
    std::array<LunarPoint, 2> points;
    for (std::size_t i = 0; i < 2; ++i) {
        points[i] = {samples[0][i].longitude_deg, samples[0][i].latitude_deg,
                     angular_error_deg(samples[2][i].longitude_deg, samples[1][i].longitude_deg) / days};
    }
    return points;
}

Result<std::array<LunarPoint, 2>, EphemerisError> rated_points(SpkEphemeris& engine, bool mean,
                                                               const Instant& evaluable, double tt_julian_day) {
    const auto span = sampled_span(engine, mean, evaluable, tt_julian_day);
    if (!span) return failure(span.error());
    SampledPoints samples;
    const auto seconds = sample_seconds(*span);
    for (std::size_t k = 0; k < seconds.size(); ++k) {
        const auto points = reference_points(engine, mean, seconds[k]);
        if (!points) return failure(points.error());
        samples[k] = *points;
    }
    return rated(samples, *span);
}

}  // namespace

std::optional<LunarPointKind> parse_lunar_point(std::string_view name) {
    for (const auto& [known, kind] : NAMES) {
        if (known == name) return kind;
    }
    return std::nullopt;
}

LunarPoint point_opposite(const LunarPoint& point) {
    // 0 - latitude rather than -latitude: a south node's latitude stays +0.
    return {reduced_to_circle_deg(point.longitude_deg + 180.0), 0.0 - point.latitude_deg,
            point.longitude_speed_deg_per_day};
}

Result<LunarPoint, EphemerisError> tropical_lunar_point(SpkEphemeris& engine, LunarPointKind kind,
                                                        const Instant& evaluable, double tt_julian_day) {
    const auto points = rated_points(engine, is_mean(kind), evaluable, tt_julian_day);
    if (!points) return failure(points.error());
    const LunarPoint& point = (*points)[is_node(kind) ? 0 : 1];
    return is_opposite(kind) ? point_opposite(point) : point;
}

Result<NorthLunarPoints, EphemerisError> tropical_north_lunar_points(SpkEphemeris& engine, const Instant& evaluable,
                                                                     double tt_julian_day) {
    const auto mean_span = sampled_span(engine, true, evaluable, tt_julian_day);
    if (!mean_span) return failure(mean_span.error());
    const auto osculating_span = sampled_span(engine, false, evaluable, tt_julian_day);
    if (!osculating_span) return failure(osculating_span.error());
    const auto mean_seconds = sample_seconds(*mean_span);
    const auto osculating_seconds = sample_seconds(*osculating_span);
    SampledPoints mean, osculating;
    for (std::size_t k = 0; k < mean_seconds.size(); ++k) {
        // The mean points nutate at TT, the Moon's state turns at TDB: both for about
        // the cost of one.
        prepare_nutations_iau2000b(julian_day_from_seconds(mean_seconds[k]),
                                   julian_day_from_seconds(osculating_seconds[k]));
        const auto mean_points = reference_points(engine, true, mean_seconds[k]);
        if (!mean_points) return failure(mean_points.error());
        const auto osculating_points = reference_points(engine, false, osculating_seconds[k]);
        if (!osculating_points) return failure(osculating_points.error());
        mean[k] = *mean_points;
        osculating[k] = *osculating_points;
    }
    const auto mean_rated = rated(mean, *mean_span);
    const auto osculating_rated = rated(osculating, *osculating_span);
    return NorthLunarPoints{mean_rated[0], osculating_rated[0], mean_rated[1], osculating_rated[1]};
}

Result<LunarPoint, EphemerisError> lunar_point(SpkEphemeris& engine, LunarPointKind kind, const Instant& instant,
                                               std::optional<SiderealOrigin> origin) {
    const auto evaluable = evaluable_instant(engine, instant);
    if (!evaluable) return failure(evaluable.error());
    const auto tt_julian_day = engine.instant_as_tt(*evaluable);
    if (!tt_julian_day) return failure(tt_julian_day.error());
    const auto tropical = tropical_lunar_point(engine, kind, *evaluable, *tt_julian_day);
    if (!tropical || !origin) return tropical;
    const LunarPoint& point = *tropical;
    const auto offset = sidereal_offset(*origin, *tt_julian_day);
    if (!offset) return failure(offset.error());
    return LunarPoint{reduced_to_circle_deg(point.longitude_deg - offset->value_deg), point.latitude_deg,
                      point.longitude_speed_deg_per_day - offset->rate_deg_per_day};
}

}  // namespace orbyx
