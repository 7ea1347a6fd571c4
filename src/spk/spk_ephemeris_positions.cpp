#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <optional>

#include "core/constants.hpp"
#include "spk/barycentric_state.hpp"
#include "spk/batch_barycentric.hpp"
#include "spk/corrected_states.hpp"
#include "spk/output_frame.hpp"
#include "spk/position_block.hpp"
#include "spk/position_options.hpp"
#include "spk/relative_state.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

static_assert(sizeof(Position) == PositionBatch::VALUES_PER_ENTRY * sizeof(double));

// Whether the result of a batch fits one object: none, NumPy's arrays included,
// may exceed PTRDIFF_MAX bytes.
bool result_is_addressable(std::size_t body_count, std::size_t instant_count) {
    constexpr auto max_entries =
        static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(Position);
    return body_count == 0 || instant_count <= max_entries / body_count;
}

// Instants evaluated together, so that the states of a chunk stay in cache.
constexpr std::size_t INSTANTS_PER_CHUNK = 1024;

OutputFrame frame_at(const PositionBatch& request, std::size_t instant) {
    return output_frame(request.options, julian_day_from_seconds(request.epochs[instant]));
}

// The SPK error a whole-range evaluation of the centre, then of each body in order,
// meets first: the error order of the unchunked computation. `found` is what a chunk met.
EphemerisError first_kernel_failure(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                    const SpkError& found) {
    std::vector<StateVector> states(request.epochs.size());
    if (auto done = barycentric_states_across_kernels_into(kernels, request.center, request.epochs, states); !done) {
        return to_ephemeris_error(done.error());
    }
    for (std::int32_t target : request.targets) {
        if (auto done = barycentric_states_across_kernels_into(kernels, target, request.epochs, states); !done) {
            return to_ephemeris_error(done.error());
        }
    }
    return to_ephemeris_error(found);
}

// Geometric states: the centre and each body are evaluated as batches over the epochs,
// a chunk of instants at a time so that the states stay in cache; one frame per instant
// serves every body, and the conversions run a block of states at a time. Kernel
// errors take precedence over coordinate errors.
template <class Store>
Status<EphemerisError> evaluate_geometric(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                          Store& store) {
    const std::size_t instant_count = request.epochs.size();
    const std::size_t body_count = request.targets.size();
    const std::size_t chunk_capacity = std::min(instant_count, INSTANTS_PER_CHUNK);
    std::vector<StateVector> observers(chunk_capacity);
    std::vector<StateVector> targets(body_count * chunk_capacity);  // body-major within a chunk
    std::optional<EphemerisError> coordinate_failure;
    PositionBlock block;
    std::array<Position, PositionBlock::CAPACITY> positions;

    for (std::size_t first = 0; first < instant_count; first += chunk_capacity) {
        const std::size_t count = std::min(chunk_capacity, instant_count - first);
        const std::span<const double> epochs(request.epochs.data() + first, count);
        if (auto done = barycentric_states_across_kernels_into(kernels, request.center, epochs,
                                                               std::span(observers.data(), count));
            !done) {
            return failure(first_kernel_failure(kernels, request, done.error()));
        }
        for (std::size_t b = 0; b < body_count; ++b) {
            const std::span<StateVector> states(targets.data() + b * count, count);
            if (auto done = barycentric_states_across_kernels_into(kernels, request.targets[b], epochs, states);
                !done) {
                return failure(first_kernel_failure(kernels, request, done.error()));
            }
        }
        if (coordinate_failure) continue;

        const auto observer_at = [&](std::size_t k) {
            StateVector observer = observers[k];
            if (!request.observer_states.empty()) add_in_place(observer, request.observer_states[first + k]);
            return observer;
        };
        const auto relative_state = [&](const StateVector& observer, std::size_t k, std::size_t b) {
            const StateVector& target = targets[b * count + k];
            CartesianState relative;
            for (int axis = 0; axis < 3; ++axis) {
                relative.position[axis] = target.position[axis] - observer.position[axis];
                relative.velocity[axis] = target.velocity[axis] - observer.velocity[axis];
            }
            return relative;
        };
        // Converts the queued entries, which start at chunk entry `block_first`
        // (instant-major). From the first one the block rejects, entries go alone for the error.
        std::size_t block_first = 0;
        const auto flush = [&] {
            const std::size_t converted = block.convert(positions);
            for (std::size_t j = 0; j < converted; ++j) store(first * body_count + block_first + j, positions[j]);
            for (std::size_t entry = block_first + converted; entry < block_first + block.size(); ++entry) {
                const std::size_t k = entry / body_count;
                auto position = position_from_state(relative_state(observer_at(k), k, entry % body_count),
                                                    frame_at(request, first + k));
                if (!position) {
                    coordinate_failure = std::move(position).error();
                    break;
                }
                store(first * body_count + entry, *position);
            }
            block_first += block.size();
            block.clear();
        };
        for (std::size_t k = 0; k < count && !coordinate_failure; ++k) {
            const StateVector observer = observer_at(k);
            const OutputFrame frame = frame_at(request, first + k);
            for (std::size_t b = 0; b < body_count && !coordinate_failure; ++b) {
                block.add(relative_state(observer, k, b), frame);
                if (block.full()) flush();
            }
        }
        if (!coordinate_failure && block.size() > 0) flush();
        block.clear();
    }
    if (coordinate_failure) return failure(std::move(*coordinate_failure));
    return {};
}

// Light time, deflection or aberration, pair by pair in instant-major order over the
// `count` instants from `first`; the observer and the Sun are evaluated once per instant.
// Its first failure is the one the request reports.
template <class Store>
Status<EphemerisError> evaluate_pairwise(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                         std::size_t first, std::size_t count, Store& store) {
    const std::size_t body_count = request.targets.size();
    std::optional<CartesianState> observer_offset;
    for (std::size_t i = first; i < first + count; ++i) {
        const double epoch = request.epochs[i];
        if (!request.observer_states.empty()) observer_offset = request.observer_states[i];
        const auto observer = observer_barycentric_state(kernels, request.center, observer_offset, epoch);
        if (!observer) return failure(to_ephemeris_error(observer.error()));
        std::optional<StateVector> sun;
        const OutputFrame frame = frame_at(request, i);
        for (std::size_t b = 0; b < body_count; ++b) {
            const auto relative = corrected_relative_state(kernels, request.targets[b], request.center,
                                                           request.options.corrections, *observer, sun, epoch);
            if (!relative) return failure(to_ephemeris_error(relative.error()));
            const auto position = position_from_state(*relative, frame);
            if (!position) return failure(position.error());
            store(i * body_count + b, *position);
        }
    }
    return {};
}

// Light time, deflection or aberration: the corrected states of a chunk of instants come
// from batch evaluations and vector lanes, and are converted a block at a time. A chunk
// that meets any failure is evaluated again pair by pair, which finds the failure the
// unchunked instant-major evaluation meets first.
template <class Store>
Status<EphemerisError> evaluate_corrected(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                          Store& store) {
    const std::size_t instant_count = request.epochs.size();
    const std::size_t body_count = request.targets.size();
    if (body_count == 0 || instant_count == 0) return {};
    const std::size_t chunk_capacity = std::min(instant_count, INSTANTS_PER_CHUNK);
    CorrectedStates states(chunk_capacity, body_count);
    PositionBlock block;
    std::array<Position, PositionBlock::CAPACITY> positions;

    for (std::size_t first = 0; first < instant_count; first += chunk_capacity) {
        const std::size_t count = std::min(chunk_capacity, instant_count - first);
        // Converts the queued entries, which start at chunk entry `block_first`; false
        // when the block rejects one.
        std::size_t block_first = 0;
        const auto flush = [&] {
            const std::size_t converted = block.convert(positions);
            for (std::size_t j = 0; j < converted; ++j) store(first * body_count + block_first + j, positions[j]);
            const bool complete = converted == block.size();
            block_first += block.size();
            block.clear();
            return complete;
        };
        bool chunk_succeeded = bool(states.evaluate(kernels, request, first, count));
        for (std::size_t k = 0; k < count && chunk_succeeded; ++k) {
            const OutputFrame frame = frame_at(request, first + k);
            for (std::size_t b = 0; b < body_count && chunk_succeeded; ++b) {
                block.add(states.state(b, k), frame);
                if (block.full()) chunk_succeeded = flush();
            }
        }
        if (chunk_succeeded && block.size() > 0) chunk_succeeded = flush();
        block.clear();
        if (!chunk_succeeded) {
            if (auto done = evaluate_pairwise(kernels, request, first, count, store); !done) return done;
        }
    }
    return {};
}

// Hands every position to `store(entry, position)`, instant-major.
template <class Store>
Status<EphemerisError> evaluate_batch(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                      Store store) {
    const SharedLengthChecks length_checks(kernels);
    const Corrections& corrections = request.options.corrections;
    if (corrections.light_time || corrections.aberration || corrections.gravitational_deflection) {
        return evaluate_corrected(kernels, request, store);
    }
    return evaluate_geometric(kernels, request, store);
}

}  // namespace

namespace {

std::vector<std::int32_t> naif_ids(std::span<const Body> bodies) {
    std::vector<std::int32_t> ids;
    ids.reserve(bodies.size());
    for (Body body : bodies) ids.push_back(naif_id(body));
    return ids;
}

}  // namespace

Result<PositionBatch, EphemerisError> SpkEphemeris::check_positions(std::span<const Body> bodies,
                                                                    std::span<const Instant> instants,
                                                                    const PositionOptions& requested) const {
    return check_positions_with(naif_ids(bodies), instants, requested, {});
}

Result<PositionBatch, EphemerisError> SpkEphemeris::check_naif_positions(
    std::span<const std::int32_t> naif_targets, std::span<const Instant> instants,
    const PositionOptions& requested) const {
    return check_positions_with(naif_targets, instants, requested, {});
}

Result<PositionBatch, EphemerisError> SpkEphemeris::check_positions(
    std::span<const Body> bodies, std::span<const Instant> instants, const PositionOptions& requested,
    std::span<const CartesianState> site_gcrs) const {
    return check_naif_positions(naif_ids(bodies), instants, requested, site_gcrs);
}

Result<PositionBatch, EphemerisError> SpkEphemeris::check_naif_positions(
    std::span<const std::int32_t> naif_targets, std::span<const Instant> instants, const PositionOptions& requested,
    std::span<const CartesianState> site_gcrs) const {
    if (requested.origin.kind != OriginKind::Topocentric || site_gcrs.size() != instants.size()) {
        return failure(EphemerisError::invalid_request(
            "site states need a topocentric origin and one state per instant"));
    }
    return check_positions_with(naif_targets, instants, requested, site_gcrs);
}

// `site_gcrs`, when not empty, stands in for the sites the time tables would turn.
Result<PositionBatch, EphemerisError> SpkEphemeris::check_positions_with(
    std::span<const std::int32_t> targets, std::span<const Instant> instants, const PositionOptions& requested,
    std::span<const CartesianState> site_gcrs) const {
    auto options = resolve_position_options(requested);
    if (!options) return failure(std::move(options).error());
    if (!result_is_addressable(targets.size(), instants.size())) {
        return failure(EphemerisError::invalid_request("batch result length overflowed"));
    }

    const bool topocentric = options->origin.kind == OriginKind::Topocentric;
    PositionBatch batch{*options, origin_center(options->origin.kind), {}, {}, {}, instants.size() * targets.size()};
    batch.targets.assign(targets.begin(), targets.end());
    if (!topocentric) {
        for (std::int32_t target : batch.targets) {
            if (auto distinct = reject_identical_target_and_center(target, batch.center); !distinct) {
                return failure(std::move(distinct).error());
            }
        }
    }

    batch.epochs.reserve(instants.size());
    if (topocentric) batch.observer_states.reserve(instants.size());
    for (const Instant& instant : instants) {
        const auto epoch = tdb_seconds(instant);
        if (!epoch) return failure(epoch.error());
        batch.epochs.push_back(*epoch);
        if (topocentric && !site_gcrs.empty()) {
            batch.observer_states.push_back(site_gcrs[batch.epochs.size() - 1]);
        } else if (topocentric) {
            const auto observer = observer_gcrs_state(batch.options.origin.observer, instant);
            if (!observer) return failure(observer.error());
            batch.observer_states.push_back(*observer);
        }
    }
    return batch;
}

Result<std::vector<Position>, EphemerisError> SpkEphemeris::positions(
    std::span<const Body> bodies, std::span<const Instant> instants, const PositionOptions& options) {
    auto batch = check_positions(bodies, instants, options);
    if (!batch) return failure(std::move(batch).error());
    std::vector<Position> result(batch->entry_count);
    auto evaluated = evaluate_batch(kernels_, *batch, [&result](std::size_t entry, const Position& position) {
        result[entry] = position;
    });
    if (!evaluated) return failure(std::move(evaluated).error());
    return result;
}

Status<EphemerisError> SpkEphemeris::positions(const PositionBatch& batch, std::span<double> out) {
    if (out.size() != batch.value_count()) {
        return failure(EphemerisError::invalid_request(
            "batch output buffer must hold n_instants * n_bodies * 4 values"));
    }
    return evaluate_batch(kernels_, batch, [out](std::size_t entry, const Position& position) {
        double* values = out.data() + entry * PositionBatch::VALUES_PER_ENTRY;
        values[0] = position.longitude_deg;
        values[1] = position.latitude_deg;
        values[2] = position.distance_au;
        values[3] = position.longitude_speed_deg_per_day;
    });
}

}  // namespace orbyx
