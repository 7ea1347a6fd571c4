#pragma once

#include "core/constants.hpp"
#include "core/lanes.hpp"

// Light deflection by the Sun and stellar aberration, written once for a double and
// for vector lanes, so that a state corrected alone and the same state corrected among
// many give the same bits. Nothing branches: every lane runs the whole formula and
// keeps its input state where the formula does not apply (zero vectors, a target
// behind the Sun), so a lane's degenerate arithmetic is computed and then discarded.

namespace orbyx {

template <class Lanes>
struct Vector3Lanes {
    Lanes x, y, z;
};

template <class Lanes>
struct StateLanes {
    Vector3Lanes<Lanes> position;
    Vector3Lanes<Lanes> velocity;
};

namespace apparent_detail {

// 2 GM/c^2 of the Sun in km, for GM = 1.32712442099e11 km^3/s^2.
inline constexpr double SUN_SCHWARZSCHILD_RADIUS_KM = 2.9532501228092993;
// Below this 1 + cos(angle) the target is taken to be behind the Sun.
inline constexpr double BEHIND_THE_SUN = 1e-6;

template <class L>
using V = Vector3Lanes<L>;

template <class L>
[[gnu::always_inline]] inline L dot(const V<L>& a, const V<L>& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

template <class L>
[[gnu::always_inline]] inline V<L> cross(const V<L>& a, const V<L>& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

template <class L>
[[gnu::always_inline]] inline V<L> scaled(const V<L>& v, L factor) {
    return {v.x * factor, v.y * factor, v.z * factor};
}

template <class L>
[[gnu::always_inline]] inline V<L> divided(const V<L>& v, L divisor) {
    return {v.x / divisor, v.y / divisor, v.z / divisor};
}

template <class L>
[[gnu::always_inline]] inline V<L> minus(const V<L>& a, const V<L>& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

template <class L>
[[gnu::always_inline]] inline V<L> plus(const V<L>& a, const V<L>& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

template <class L>
[[gnu::always_inline]] inline V<L> normalised(const V<L>& v, L squared_length) {
    return divided(v, square_root(squared_length));
}

// Either of two comparisons of the same lanes.
[[gnu::always_inline]] inline bool either(bool a, bool b) { return a || b; }
template <class Mask>
[[gnu::always_inline]] inline Mask either(Mask a, Mask b) {
    return a | b;
}

template <class Mask, class L>
[[gnu::always_inline]] inline StateLanes<L> pick_state(Mask when, const StateLanes<L>& chosen,
                                                       const StateLanes<L>& otherwise) {
    return {{pick(when, chosen.position.x, otherwise.position.x), pick(when, chosen.position.y, otherwise.position.y),
             pick(when, chosen.position.z, otherwise.position.z)},
            {pick(when, chosen.velocity.x, otherwise.velocity.x), pick(when, chosen.velocity.y, otherwise.velocity.y),
             pick(when, chosen.velocity.z, otherwise.velocity.z)}};
}

template <class L>
[[gnu::always_inline]] inline V<L> rodrigues(const V<L>& v, const V<L>& axis, L sin_angle, L cos_angle) {
    return plus(plus(scaled(v, cos_angle), scaled(cross(axis, v), sin_angle)),
                scaled(axis, (1.0 - cos_angle) * dot(axis, v)));
}

}  // namespace apparent_detail

// Turns position and velocity alike by the rotation that carries unit vector `from`
// onto unit vector `to` (Rodrigues); parallel vectors leave the state unchanged.
template <class L>
[[gnu::always_inline]] inline StateLanes<L> rotated_state(const StateLanes<L>& state, const Vector3Lanes<L>& from,
                                                          const Vector3Lanes<L>& to) {
    using namespace apparent_detail;
    const V<L> axis = cross(from, to);
    const L axis_squared = dot(axis, axis);
    const L sin_angle = square_root(axis_squared);
    const L cos_angle = dot(from, to);
    const V<L> unit_axis = divided(axis, sin_angle);
    const StateLanes<L> rotated{rodrigues(state.position, unit_axis, sin_angle, cos_angle),
                                rodrigues(state.velocity, unit_axis, sin_angle, cos_angle)};
    return pick_state(axis_squared == 0.0, state, rotated);
}

// `relative` (target from observer) with its direction bent by the Sun's light
// deflection, for the observer at `observer` and the Sun at `sun` (barycentric, km).
template <class L>
[[gnu::always_inline]] inline StateLanes<L> deflected_by_the_sun(const StateLanes<L>& relative,
                                                                 const Vector3Lanes<L>& observer,
                                                                 const Vector3Lanes<L>& sun) {
    using namespace apparent_detail;
    const V<L>& target = relative.position;
    const L target_squared = dot(target, target);
    const V<L> p = normalised(target, target_squared);

    const V<L> sun_from_observer = minus(sun, observer);
    const L sun_squared = dot(sun_from_observer, sun_from_observer);
    const L sun_distance = square_root(sun_squared);
    const V<L> e = divided(sun_from_observer, -sun_distance);

    const V<L> target_from_sun = minus(target, sun_from_observer);
    const L target_from_sun_squared = dot(target_from_sun, target_from_sun);
    const V<L> q = normalised(target_from_sun, target_from_sun_squared);

    const L w = 1.0 + dot(q, e);
    const L f = SUN_SCHWARZSCHILD_RADIUS_KM / sun_distance / w;

    const V<L> deflected = plus(p, scaled(minus(scaled(e, dot(q, p)), scaled(q, dot(p, e))), f));
    const L deflected_squared = dot(deflected, deflected);
    const auto unchanged =
        either(either(either(target_squared == 0.0, sun_squared == 0.0), target_from_sun_squared == 0.0),
               either(magnitude(w) < BEHIND_THE_SUN, deflected_squared == 0.0));
    return pick_state(unchanged, relative, rotated_state(relative, p, normalised(deflected, deflected_squared)));
}

// `relative` with first-order aberration for an observer moving at `observer_velocity`
// (km/s, barycentric).
template <class L>
[[gnu::always_inline]] inline StateLanes<L> aberrated(const StateLanes<L>& relative,
                                                      const Vector3Lanes<L>& observer_velocity) {
    using namespace apparent_detail;
    const V<L>& target = relative.position;
    const L target_squared = dot(target, target);
    const V<L> u = normalised(target, target_squared);
    const V<L> moved = plus(u, scaled(observer_velocity, broadcast<L>(SECONDS_PER_KM_OF_LIGHT)));
    const L moved_squared = dot(moved, moved);
    const auto unchanged = either(target_squared == 0.0, moved_squared == 0.0);
    return pick_state(unchanged, relative, rotated_state(relative, u, normalised(moved, moved_squared)));
}

}  // namespace orbyx
