#include "spk/corrected_states.hpp"

#include "core/lanes.hpp"
#include "spk/apparent_formulas.hpp"
#include "spk/batch_barycentric.hpp"
#include "spk/relative_state.hpp"

namespace orbyx {
namespace {

constexpr std::size_t WIDEST_LANES = LANE_COUNT<Quad>;

template <class Lanes>
[[gnu::always_inline]] inline Vector3Lanes<Lanes> load_vector(const double* const* axes, std::size_t first) {
    return {load_lanes<Lanes>(axes[0] + first), load_lanes<Lanes>(axes[1] + first),
            load_lanes<Lanes>(axes[2] + first)};
}

template <class Lanes>
[[gnu::always_inline]] inline void store_vector(const Vector3Lanes<Lanes>& v, double* const* axes, std::size_t first) {
    store_lanes(v.x, axes[0] + first);
    store_lanes(v.y, axes[1] + first);
    store_lanes(v.z, axes[2] + first);
}

// Deflection, then aberration, of one body's relative states in place. `count` is a
// multiple of the lane count; the columns hold that many values.
struct Correction {
    double* const* relative;        // x, y, z, vx, vy, vz
    const double* const* observer;  // x, y, z, vx, vy, vz
    const double* const* sun;       // x, y, z
    std::size_t count;
    bool deflect;
    bool aberrate;
};

template <class Lanes>
[[gnu::always_inline]] inline void correct_lanes(const Correction& in) {
    for (std::size_t first = 0; first < in.count; first += LANE_COUNT<Lanes>) {
        StateLanes<Lanes> state{load_vector<Lanes>(in.relative, first), load_vector<Lanes>(in.relative + 3, first)};
        if (in.deflect) {
            state = deflected_by_the_sun(state, load_vector<Lanes>(in.observer, first),
                                         load_vector<Lanes>(in.sun, first));
        }
        if (in.aberrate) state = aberrated(state, load_vector<Lanes>(in.observer + 3, first));
        store_vector(state.position, in.relative, first);
        store_vector(state.velocity, in.relative + 3, first);
    }
}

// The epochs at which light reaching the observer left the body's `states`, into
// `emitted`: whole vectors of instants first, then the rest one at a time.
struct Emission {
    const double* epochs;
    const StateVector* states;
    const double* const* observer;  // x, y, z
    std::size_t count;
    double* emitted;
};

template <class Lanes>
[[gnu::always_inline]] inline void emission_lanes(const Emission& in) {
    constexpr std::size_t LANES = LANE_COUNT<Lanes>;
    std::size_t first = 0;
    for (; first + LANES <= in.count; first += LANES) {
        Lanes dx, dy, dz;
        for (std::size_t lane = 0; lane < LANES; ++lane) {
            const Vector3& target = in.states[first + lane].position;
            dx[lane] = target[0] - in.observer[0][first + lane];
            dy[lane] = target[1] - in.observer[1][first + lane];
            dz[lane] = target[2] - in.observer[2][first + lane];
        }
        store_lanes(emission_epoch(load_lanes<Lanes>(in.epochs + first), dx, dy, dz), in.emitted + first);
    }
    for (; first < in.count; ++first) {
        const Vector3& target = in.states[first].position;
        in.emitted[first] = emission_epoch(in.epochs[first], target[0] - in.observer[0][first],
                                           target[1] - in.observer[1][first], target[2] - in.observer[2][first]);
    }
}

void emission_pairs(const Emission& in) { emission_lanes<Pair>(in); }

ORBYX_QUAD_TARGET void emission_quads(const Emission& in) { emission_lanes<Quad>(in); }

void find_emission_epochs(const Emission& in) {
    if (quads_are_native()) {
        emission_quads(in);
    } else {
        emission_pairs(in);
    }
}

void correct_pairs(const Correction& in) { correct_lanes<Pair>(in); }

ORBYX_QUAD_TARGET void correct_quads(const Correction& in) { correct_lanes<Quad>(in); }

void correct(const Correction& in) {
    if (quads_are_native()) {
        correct_quads(in);
    } else {
        correct_pairs(in);
    }
}

std::size_t padded(std::size_t count) { return (count + WIDEST_LANES - 1) / WIDEST_LANES * WIDEST_LANES; }

}  // namespace

CorrectedStates::CorrectedStates(std::size_t chunk_capacity, std::size_t body_count)
    : padded_capacity_(padded(chunk_capacity)),
      storage_((body_count * STATE_COLUMNS + STATE_COLUMNS + 3) * padded_capacity_),
      observer_states_(chunk_capacity),
      sun_states_(chunk_capacity),
      body_states_(chunk_capacity),
      emission_epochs_(chunk_capacity) {
    double* next = storage_.data();
    const auto take = [&](std::vector<double*>& columns, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i, next += padded_capacity_) columns.push_back(next);
    };
    take(relative_, body_count * STATE_COLUMNS);
    take(observer_, STATE_COLUMNS);
    take(sun_, 3);
}

Status<SpkError> CorrectedStates::evaluate(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                           std::size_t first, std::size_t count) {
    if (auto done = evaluate_observer_and_sun(kernels, request, first, count); !done) return done;
    const std::span<const double> epochs(request.epochs.data() + first, count);
    for (std::size_t b = 0; b < request.targets.size(); ++b) {
        if (auto done = evaluate_body(kernels, request, b, epochs); !done) return done;
    }
    return {};
}

Status<SpkError> CorrectedStates::evaluate_observer_and_sun(std::vector<SpkKernel>& kernels,
                                                            const PositionBatch& request, std::size_t first,
                                                            std::size_t count) {
    const std::span<const double> epochs(request.epochs.data() + first, count);
    const std::span<StateVector> observers(observer_states_.data(), count);
    if (auto done = barycentric_states_across_kernels_into(kernels, request.center, epochs, observers); !done) {
        return done;
    }
    if (!request.observer_states.empty()) {
        for (std::size_t k = 0; k < count; ++k) add_in_place(observers[k], request.observer_states[first + k]);
    }
    for (std::size_t k = 0; k < count; ++k) {
        for (int axis = 0; axis < 3; ++axis) {
            observer_[axis][k] = observers[k].position[axis];
            observer_[3 + axis][k] = observers[k].velocity[axis];
        }
    }

    bool sun_needed = false;
    for (std::int32_t target : request.targets) {
        sun_needed |= deflects(request.options.corrections, target, request.center);
    }
    if (!sun_needed) return {};
    const std::span<StateVector> suns(sun_states_.data(), count);
    if (auto done = barycentric_states_across_kernels_into(kernels, SUN_NAIF_ID, epochs, suns); !done) return done;
    for (std::size_t k = 0; k < count; ++k) {
        for (int axis = 0; axis < 3; ++axis) sun_[axis][k] = suns[k].position[axis];
    }
    return {};
}

Status<SpkError> CorrectedStates::evaluate_body(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                                std::size_t body, std::span<const double> epochs) {
    const std::size_t count = epochs.size();
    const std::int32_t target = request.targets[body];
    const Corrections& corrections = request.options.corrections;
    const std::span<StateVector> states(body_states_.data(), count);
    if (auto done = barycentric_states_across_kernels_into(kernels, target, epochs, states); !done) return done;
    if (corrections.light_time) {
        // The observer stays at its epoch; only the emission epochs move.
        const std::span<double> emitted(emission_epochs_.data(), count);
        for (int iteration = 0; iteration < LIGHT_TIME_ITERATIONS; ++iteration) {
            find_emission_epochs({epochs.data(), states.data(), observer_.data(), count, emitted.data()});
            if (auto done = barycentric_states_across_kernels_into(kernels, target, emitted, states); !done) {
                return done;
            }
        }
    }

    double* const* relative = &relative_[body * STATE_COLUMNS];
    for (std::size_t k = 0; k < count; ++k) {
        const StateVector& observer = observer_states_[k];
        for (int axis = 0; axis < 3; ++axis) {
            relative[axis][k] = states[k].position[axis] - observer.position[axis];
            relative[3 + axis][k] = states[k].velocity[axis] - observer.velocity[axis];
        }
    }
    const bool deflect = deflects(corrections, target, request.center);
    if (deflect || corrections.aberration) {
        correct({relative, observer_.data(), sun_.data(), padded(count), deflect, corrections.aberration});
    }
    return {};
}

}  // namespace orbyx
