#include "spk/relative_state.hpp"

#include "spk/apparent_corrections.hpp"
#include "spk/barycentric_state.hpp"

namespace orbyx {
namespace {

constexpr std::int32_t EARTH = 399;

}  // namespace

std::int32_t origin_center(OriginKind origin) {
    switch (origin) {
        case OriginKind::Barycentric: return SOLAR_SYSTEM_BARYCENTER;
        case OriginKind::Heliocentric: return SUN_NAIF_ID;
        case OriginKind::Geocentric:
        case OriginKind::Topocentric: break;
    }
    return EARTH;
}

bool deflects(const Corrections& corrections, std::int32_t target, std::int32_t center) {
    return corrections.gravitational_deflection && target != SUN_NAIF_ID && center != SUN_NAIF_ID;
}

Result<StateVector, SpkError> observer_barycentric_state(std::vector<SpkKernel>& kernels, std::int32_t center,
                                                         const std::optional<CartesianState>& observer_offset,
                                                         double epoch) {
    auto observer = barycentric_state_across_kernels(kernels, center, epoch);
    if (observer && observer_offset) add_in_place(*observer, *observer_offset);
    return observer;
}

Result<CartesianState, SpkError> corrected_relative_state(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                          std::int32_t center, const Corrections& corrections,
                                                          const StateVector& observer,
                                                          std::optional<StateVector>& sun, double epoch) {
    auto body = barycentric_state_across_kernels(kernels, target, epoch);
    if (!body) return body;
    if (corrections.light_time) {
        // The observer stays at `epoch`; only the emission time moves. No convergence test.
        for (int iteration = 0; iteration < LIGHT_TIME_ITERATIONS; ++iteration) {
            body = barycentric_state_across_kernels(kernels, target,
                                                    emission_epoch(epoch, body->position, observer.position));
            if (!body) return body;
        }
    }

    CartesianState relative;
    for (int axis = 0; axis < 3; ++axis) {
        relative.position[axis] = body->position[axis] - observer.position[axis];
        relative.velocity[axis] = body->velocity[axis] - observer.velocity[axis];
    }
    if (deflects(corrections, target, center)) {
        if (!sun) {
            auto evaluated = barycentric_state_across_kernels(kernels, SUN_NAIF_ID, epoch);
            if (!evaluated) return evaluated;
            sun = *evaluated;
        }
        relative = apply_solar_gravitational_deflection(relative, observer.position, sun->position);
    }
    if (corrections.aberration) relative = apply_stellar_aberration(relative, observer.velocity);
    return relative;
}

}  // namespace orbyx
