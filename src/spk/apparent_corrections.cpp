#include "spk/apparent_corrections.hpp"

#include <cmath>

#include "core/constants.hpp"

namespace orbyx {
namespace {

// 2 GM/c^2 of the Sun in km, for GM = 1.32712442099e11 km^3/s^2.
constexpr double SUN_SCHWARZSCHILD_RADIUS_KM = 2.9532501228092993;
// Below this 1 + cos(angle) the target is taken to be behind the Sun.
constexpr double BEHIND_THE_SUN = 1e-6;

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vector3 scaled(const Vector3& v, double factor) { return {v[0] * factor, v[1] * factor, v[2] * factor}; }

Vector3 divided(const Vector3& v, double divisor) {
    return {v[0] / divisor, v[1] / divisor, v[2] / divisor};
}

Vector3 minus(const Vector3& a, const Vector3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vector3 plus(const Vector3& a, const Vector3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }

Vector3 rodrigues(const Vector3& v, const Vector3& axis, double sin_angle, double cos_angle) {
    return plus(plus(scaled(v, cos_angle), scaled(cross(axis, v), sin_angle)),
                scaled(axis, (1.0 - cos_angle) * dot(axis, v)));
}

}  // namespace

CartesianState rotate_state(const CartesianState& state, const Vector3& from, const Vector3& to) {
    const Vector3 axis = cross(from, to);
    const double axis_squared = dot(axis, axis);
    if (axis_squared == 0.0) return state;
    const double sin_angle = std::sqrt(axis_squared);
    const double cos_angle = dot(from, to);
    const Vector3 unit_axis = divided(axis, sin_angle);
    return {rodrigues(state.position, unit_axis, sin_angle, cos_angle),
            rodrigues(state.velocity, unit_axis, sin_angle, cos_angle)};
}

CartesianState apply_solar_gravitational_deflection(const CartesianState& relative,
                                                    const Vector3& observer_position,
                                                    const Vector3& sun_position) {
    const Vector3& target = relative.position;
    const double target_squared = dot(target, target);
    if (target_squared == 0.0) return relative;
    const Vector3 p = divided(target, std::sqrt(target_squared));

    const Vector3 sun_from_observer = minus(sun_position, observer_position);
    const double sun_squared = dot(sun_from_observer, sun_from_observer);
    if (sun_squared == 0.0) return relative;
    const double sun_distance = std::sqrt(sun_squared);
    const Vector3 e = divided(sun_from_observer, -sun_distance);

    const Vector3 target_from_sun = minus(target, sun_from_observer);
    const double target_from_sun_squared = dot(target_from_sun, target_from_sun);
    if (target_from_sun_squared == 0.0) return relative;
    const Vector3 q = divided(target_from_sun, std::sqrt(target_from_sun_squared));

    const double w = 1.0 + dot(q, e);
    if (std::fabs(w) < BEHIND_THE_SUN) return relative;
    const double f = SUN_SCHWARZSCHILD_RADIUS_KM / sun_distance / w;

    const Vector3 deflected = plus(p, scaled(minus(scaled(e, dot(q, p)), scaled(q, dot(p, e))), f));
    const double deflected_squared = dot(deflected, deflected);
    if (deflected_squared == 0.0) return relative;
    return rotate_state(relative, p, divided(deflected, std::sqrt(deflected_squared)));
}

CartesianState apply_stellar_aberration(const CartesianState& relative,
                                        const Vector3& observer_velocity) {
    const Vector3& target = relative.position;
    const double target_squared = dot(target, target);
    if (target_squared == 0.0) return relative;
    const Vector3 u = divided(target, std::sqrt(target_squared));
    const Vector3 aberrated = plus(u, scaled(observer_velocity, SECONDS_PER_KM_OF_LIGHT));
    const double aberrated_squared = dot(aberrated, aberrated);
    if (aberrated_squared == 0.0) return relative;
    return rotate_state(relative, u, divided(aberrated, std::sqrt(aberrated_squared)));
}

}  // namespace orbyx
