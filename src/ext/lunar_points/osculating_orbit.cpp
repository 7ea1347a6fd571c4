#include "ext/lunar_points/osculating_orbit.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/planar_rotation.hpp"

namespace orbyx {
namespace {

Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

EclipticDirection direction_of(double x, double y, double z) {
    return {reduced_to_circle_deg(std::atan2(y, x) * RADIANS_TO_DEGREES),
            std::atan2(z, std::hypot(x, y)) * RADIANS_TO_DEGREES};
}

}  // namespace

EclipticDirection osculating_node(const CartesianState& state) {
    const Vector3 h = cross(state.position, state.velocity);
    // The node lies along z x h, which has no z component.
    return {reduced_to_circle_deg(std::atan2(h[0], -h[1]) * RADIANS_TO_DEGREES), 0.0};
}

EclipticDirection osculating_apogee(const CartesianState& state) {
    const Vector3& r = state.position;
    const Vector3 h = cross(r, state.velocity);
    const Vector3 v_cross_h = cross(state.velocity, h);
    const double distance = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    Vector3 eccentricity;
    for (int axis = 0; axis < 3; ++axis) {
        eccentricity[axis] = v_cross_h[axis] / EARTH_MOON_GM_KM3_PER_S2 - r[axis] / distance;
    }
    return direction_of(-eccentricity[0], -eccentricity[1], -eccentricity[2]);
}

}  // namespace orbyx
