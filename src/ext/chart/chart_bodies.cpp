#include "ext/chart/chart_bodies.hpp"

#include <cmath>
#include <optional>
#include <vector>

#include "core/constants.hpp"
#include "core/nutation.hpp"
#include "ext/chart/corrected_positions.hpp"
#include "spk/apparent_corrections.hpp"
#include "spk/barycentric_state.hpp"
#include "spk/batch_barycentric.hpp"
#include "spk/corrected_states.hpp"
#include "spk/ecliptic_of_date_search.hpp"
#include "spk/output_frame.hpp"
#include "spk/position_options.hpp"
#include "spk/relative_state.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

static_assert(CHART_BODIES.size() == CORRECTED_BODY_COUNT && CHART_BODIES[0] == Body::Sun);

// A place's rate is the central difference of its longitude along the straight path
// the light-time corrected state takes at its true rate, each end corrected and
// turned as at its own epoch: the chain rule's derivative, without the places either
// side. Over the half-step of a second and a third the curvature of that path and of
// the corrections errs by under 1e-10 deg/day, and rounding by less. A chart's bodies
// are corrected together in vector lanes.

struct Lookout {
    StateVector observer;
    StateVector sun;
    OutputFrame frame;
};

// The rate of the light-time corrected relative position from the engine's `relative`
// state: the body moves at its velocity at emission, slowed by the growth of the
// light time, and the observer at `observer_velocity`.
Vector3 true_relative_velocity(const CartesianState& relative, const Vector3& engine_observer_velocity,
                               const Vector3& observer_velocity) {
    const double distance = std::sqrt(relative.position[0] * relative.position[0] +
                                      relative.position[1] * relative.position[1] +
                                      relative.position[2] * relative.position[2]);
    double along_relative = 0.0, along_body = 0.0;
    Vector3 body_velocity;
    for (int axis = 0; axis < 3; ++axis) {
        body_velocity[axis] = relative.velocity[axis] + engine_observer_velocity[axis];
        along_relative += relative.position[axis] * (body_velocity[axis] - observer_velocity[axis]) / distance;
        along_body += relative.position[axis] * body_velocity[axis] / distance;
    }
    const double light_time_rate =
        along_relative / SPEED_OF_LIGHT_KM_PER_S / (1.0 + along_body / SPEED_OF_LIGHT_KM_PER_S);
    Vector3 velocity;
    for (int axis = 0; axis < 3; ++axis) {
        velocity[axis] = body_velocity[axis] * (1.0 - light_time_rate) - observer_velocity[axis];
    }
    return velocity;
}

// The light-time corrected states of the bodies, per chart then body, and each chart's
// TDB epoch. A batch costs more to set up than one chart's single states, which the
// engine's batches equal bit for bit.
Status<EphemerisError> light_time_states(SpkEphemeris& engine, std::span<const ChartEpochs> charts,
                                         const PositionOptions& apparent, bool topocentric,
                                         std::vector<CartesianState>& states, std::vector<double>& epochs) {
    PositionOptions light_time{apparent.origin, CoordinateSystem::Equatorial, ReferenceEpoch::J2000};
    light_time.corrections.light_time = true;
    auto& kernels = engine.kernels();
    const std::int32_t center = origin_center(apparent.origin.kind);
    states.clear();
    epochs.clear();
    if (charts.size() == 1) {
        const auto epoch = engine.tdb_seconds(charts[0].evaluable);
        if (!epoch) return failure(epoch.error());
        const auto site = topocentric ? std::optional(charts[0].sites[0]) : std::nullopt;
        const auto observer = observer_barycentric_state(kernels, center, site, *epoch);
        if (!observer) return failure(to_ephemeris_error(observer.error()));
        std::optional<StateVector> unused_sun;
        for (Body body : CHART_BODIES) {
            const auto state = corrected_relative_state(kernels, naif_id(body), center, light_time.corrections,
                                                        *observer, unused_sun, *epoch);
            if (!state) return failure(to_ephemeris_error(state.error()));
            states.push_back(*state);
        }
        epochs.push_back(*epoch);
        return {};
    }
    std::vector<Instant> instants;
    std::vector<CartesianState> sites;
    for (const ChartEpochs& chart : charts) {
        instants.push_back(chart.evaluable);
        if (topocentric) sites.push_back(chart.sites[0]);
    }
    const auto batch = topocentric ? engine.check_positions(CHART_BODIES, instants, light_time, sites)
                                   : engine.check_positions(CHART_BODIES, instants, light_time);
    if (!batch) return failure(batch.error());
    CorrectedStates corrected(charts.size(), CHART_BODIES.size());
    if (auto done = corrected.evaluate(kernels, *batch, 0, charts.size()); !done) {
        return failure(to_ephemeris_error(done.error()));
    }
    for (std::size_t k = 0; k < charts.size(); ++k) {
        for (std::size_t b = 0; b < CHART_BODIES.size(); ++b) states.push_back(corrected.state(b, k));
    }
    epochs = batch->epochs;
    return {};
}

// The light-time corrected states of extra bodies, per chart then body, one by one as
// single positions take them: a few bodies beside the ten gain nothing from batches.
Status<EphemerisError> extra_light_time_states(SpkEphemeris& engine, std::span<const ChartEpochs> charts,
                                               std::span<const double> epochs, const PositionOptions& apparent,
                                               bool topocentric, std::span<const std::int32_t> targets,
                                               std::vector<CartesianState>& states) {
    states.clear();
    if (targets.empty()) return {};
    Corrections light_time;
    light_time.light_time = true;
    auto& kernels = engine.kernels();
    const std::int32_t center = origin_center(apparent.origin.kind);
    for (std::size_t k = 0; k < charts.size(); ++k) {
        const auto site = topocentric ? std::optional(charts[k].sites[0]) : std::nullopt;
        const auto observer = observer_barycentric_state(kernels, center, site, epochs[k]);
        if (!observer) return failure(to_ephemeris_error(observer.error()));
        std::optional<StateVector> unused_sun;
        for (std::int32_t target : targets) {
            if (!topocentric) {
                if (auto distinct = reject_identical_target_and_center(target, center); !distinct) return distinct;
            }
            const auto state = corrected_relative_state(kernels, target, center, light_time, *observer, unused_sun,
                                                        epochs[k]);
            if (!state) return failure(to_ephemeris_error(state.error()));
            states.push_back(*state);
        }
    }
    return {};
}

// The observer and the Sun at each chart's epoch and at its two offsets, three per
// chart; one chart's alone, many charts' as batches, which give the same bits.
Status<EphemerisError> lookout_states(SpkEphemeris& engine, std::span<const ChartEpochs> charts,
                                      std::span<const double> epochs, std::int32_t center, bool topocentric,
                                      std::vector<StateVector>& observers, std::vector<StateVector>& suns) {
    auto& kernels = engine.kernels();
    std::vector<double> at;
    for (std::size_t k = 0; k < charts.size(); ++k) {
        for (double offset_days : charts[k].rate_offsets_days) {
            at.push_back(epochs[k] + offset_days * SECONDS_PER_DAY);
        }
    }
    observers.resize(at.size());
    suns.resize(at.size());
    if (charts.size() == 1) {
        for (std::size_t i = 0; i < at.size(); ++i) {
            const auto observer = barycentric_state_across_kernels(kernels, center, at[i]);
            if (!observer) return failure(to_ephemeris_error(observer.error()));
            const auto sun = barycentric_state_across_kernels(kernels, SUN_NAIF_ID, at[i]);
            if (!sun) return failure(to_ephemeris_error(sun.error()));
            observers[i] = *observer;
            suns[i] = *sun;
        }
    } else {
        if (auto done = barycentric_states_across_kernels_into(kernels, center, at, observers); !done) {
            return failure(to_ephemeris_error(done.error()));
        }
        if (auto done = barycentric_states_across_kernels_into(kernels, SUN_NAIF_ID, at, suns); !done) {
            return failure(to_ephemeris_error(done.error()));
        }
    }
    if (topocentric) {
        for (std::size_t i = 0; i < at.size(); ++i) add_in_place(observers[i], charts[i / 3].sites[i % 3]);
    }
    return {};
}

// The observer, the Sun and the frame at a chart's epoch and at its two offsets.
std::array<Lookout, 3> lookouts(const StateVector* observers, const StateVector* suns, double epoch,
                                const ChartEpochs& chart, const PositionOptions& apparent) {
    const auto day_at = [&](std::size_t i) {
        return julian_day_from_seconds(epoch + chart.rate_offsets_days[i] * SECONDS_PER_DAY);
    };
    std::array<Lookout, 3> lookouts;
    // Nutations for about the cost of one a pair: the frames either side, then the
    // frame of the epoch with the TT day's, which the chart's houses take next.
    prepare_nutations_iau2000b(day_at(1), day_at(2));
    for (std::size_t i : {1, 2}) lookouts[i] = {observers[i], suns[i], output_frame(apparent, day_at(i))};
    prepare_nutations_iau2000b(day_at(0), chart.tt_julian_day);
    lookouts[0] = {observers[0], suns[0], output_frame(apparent, day_at(0))};
    return lookouts;
}

// The observer's velocity as the site really moves: the engine's site velocity,
// which differs from the rate of its position by about a part in ten million, would
// move the Moon's rate by 4e-7 deg/day.
Vector3 moving_observer_velocity(const ChartEpochs& chart, const Lookout& at, bool topocentric) {
    Vector3 velocity = at.observer.velocity;
    if (!topocentric) return velocity;
    const double seconds = (chart.rate_offsets_days[2] - chart.rate_offsets_days[1]) * SECONDS_PER_DAY;
    for (int axis = 0; axis < 3; ++axis) {
        velocity[axis] += (chart.sites[2].position[axis] - chart.sites[1].position[axis]) / seconds -
                          chart.sites[0].velocity[axis];
    }
    return velocity;
}

using BodyPositions = std::array<Vector3, CORRECTED_BODY_COUNT>;

// The longitude of a corrected position in `frame`.
Result<double, EphemerisError> longitude_deg(const Vector3& position, const OutputFrame& frame) {
    const auto turned = frame.apply({position, {0.0, 0.0, 0.0}});
    if (!turned) return failure(EphemerisError::evaluation(message(turned.error())));
    return std::atan2(turned->position[1], turned->position[0]) * RADIANS_TO_DEGREES;
}

// A body's light-time corrected position at the chart's epoch, and the ends of the
// straight path it takes at its true rate either side.
struct RatePath {
    Vector3 at;
    std::array<Vector3, 2> ends;
};

// Inlined, as write_place: as calls they cost a batch of charts 2% of its speed.
[[gnu::always_inline]] inline RatePath rate_path(const ChartEpochs& chart, const CartesianState& relative,
                                                 const std::array<Lookout, 3>& lookouts,
                                                 const Vector3& observer_velocity) {
    RatePath path{relative.position, {}};
    const Vector3 velocity = true_relative_velocity(relative, lookouts[0].observer.velocity, observer_velocity);
    for (std::size_t end = 0; end < 2; ++end) {
        const double seconds = chart.rate_offsets_days[end + 1] * SECONDS_PER_DAY;
        for (int axis = 0; axis < 3; ++axis) path.ends[end][axis] = relative.position[axis] + velocity[axis] * seconds;
    }
    return path;
}

// Longitude, latitude, distance and rate of a body from its corrected positions at
// the chart's epoch (`seen`) and at the ends of its rate path.
[[gnu::always_inline]] inline Status<EphemerisError> write_place(const ChartEpochs& chart, const Vector3& seen,
                                                                 const std::array<Vector3, 2>& ends,
                                                                 const std::array<Lookout, 3>& lookouts,
                                                                 double* values) {
    const auto place = position_from_state({seen, {0.0, 0.0, 0.0}}, lookouts[0].frame);
    if (!place) return failure(place.error());
    const auto before = longitude_deg(ends[0], lookouts[1].frame);
    if (!before) return failure(before.error());
    const auto after = longitude_deg(ends[1], lookouts[2].frame);
    if (!after) return failure(after.error());
    const double days = chart.rate_offsets_days[2] - chart.rate_offsets_days[1];
    values[0] = place->longitude_deg;
    values[1] = place->latitude_deg;
    values[2] = place->distance_au;
    values[3] = angular_error_deg(*after, *before) / days;
    return {};
}

// Longitude, latitude, distance and rate of each body of a chart, from their
// light-time corrected states at the chart's epoch.
Status<EphemerisError> places(const ChartEpochs& chart, std::span<const CartesianState> relative,
                              const std::array<Lookout, 3>& lookouts, const Vector3& observer_velocity, double* out) {
    BodyPositions at;
    std::array<BodyPositions, 2> moved;
    for (std::size_t b = 0; b < CHART_BODIES.size(); ++b) {
        const RatePath path = rate_path(chart, relative[b], lookouts, observer_velocity);
        at[b] = path.at;
        for (std::size_t end = 0; end < 2; ++end) moved[end][b] = path.ends[end];
    }
    // Only positions matter from here: a state's velocity turns alone.
    const BodyPositions seen = corrected_positions(at, lookouts[0].observer, lookouts[0].sun.position);
    std::array<BodyPositions, 2> ends;
    for (std::size_t end = 0; end < 2; ++end) {
        ends[end] = corrected_positions(moved[end], lookouts[end + 1].observer, lookouts[end + 1].sun.position);
    }
    for (std::size_t b = 0; b < CHART_BODIES.size(); ++b) {
        double* values = out + b * VALUES_PER_CHART_BODY;
        if (auto done = write_place(chart, seen[b], {ends[0][b], ends[1][b]}, lookouts, values); !done) return done;
    }
    return {};
}

// An extra body's position bent by the Sun (unless it is the Sun) and aberrated as a
// single position corrects it.
Vector3 corrected_position(std::int32_t target, const Vector3& relative, const Lookout& lookout) {
    CartesianState state{relative, {0.0, 0.0, 0.0}};
    if (target != SUN_NAIF_ID) {
        state = apply_solar_gravitational_deflection(state, lookout.observer.position, lookout.sun.position);
    }
    return apply_stellar_aberration(state, lookout.observer.velocity).position;
}

Status<EphemerisError> extra_places(const ChartEpochs& chart, std::span<const std::int32_t> targets,
                                    std::span<const CartesianState> relative, const std::array<Lookout, 3>& lookouts,
                                    const Vector3& observer_velocity, double* out) {
    for (std::size_t b = 0; b < targets.size(); ++b) {
        const RatePath path = rate_path(chart, relative[b], lookouts, observer_velocity);
        const Vector3 seen = corrected_position(targets[b], path.at, lookouts[0]);
        const std::array<Vector3, 2> ends = {corrected_position(targets[b], path.ends[0], lookouts[1]),
                                             corrected_position(targets[b], path.ends[1], lookouts[2])};
        if (auto done = write_place(chart, seen, ends, lookouts, out + b * VALUES_PER_CHART_BODY); !done) return done;
    }
    return {};
}

}  // namespace

Status<EphemerisError> ChartBodies::evaluate(SpkEphemeris& engine, std::span<const ChartEpochs> charts,
                                             const GeodeticObserver& any_site, bool topocentric,
                                             std::span<const std::int32_t> extra_targets) {
    charts_ = charts;
    topocentric_ = topocentric;
    PositionOptions requested = apparent_geocentric_ecliptic_of_date();
    if (topocentric) requested.origin = {OriginKind::Topocentric, any_site};
    const auto apparent = resolve_position_options(requested);
    if (!apparent) return failure(apparent.error());
    apparent_ = *apparent;
    const SharedLengthChecks length_checks(engine.kernels());
    if (auto done = light_time_states(engine, charts, apparent_, topocentric, states_, epochs_); !done) return done;
    extra_targets_.assign(extra_targets.begin(), extra_targets.end());
    if (auto done = extra_light_time_states(engine, charts, epochs_, apparent_, topocentric, extra_targets_,
                                            extra_states_);
        !done) {
        return done;
    }
    return lookout_states(engine, charts, epochs_, origin_center(apparent_.origin.kind), topocentric, observers_,
                          suns_);
}

Status<EphemerisError> ChartBodies::place(std::size_t chart, std::span<double> out) const {
    const std::array<Lookout, 3> seen_from = lookouts(observers_.data() + 3 * chart, suns_.data() + 3 * chart,
                                                      epochs_[chart], charts_[chart], apparent_);
    const Vector3 observer_velocity = moving_observer_velocity(charts_[chart], seen_from[0], topocentric_);
    const std::span<const CartesianState> relative(states_.data() + chart * CHART_BODIES.size(), CHART_BODIES.size());
    if (auto done = places(charts_[chart], relative, seen_from, observer_velocity, out.data()); !done) return done;
    const std::size_t extras = extra_targets_.size();
    return extra_places(charts_[chart], extra_targets_, std::span(extra_states_.data() + chart * extras, extras),
                        seen_from, observer_velocity, out.data() + CHART_BODIES.size() * VALUES_PER_CHART_BODY);
}

}  // namespace orbyx
