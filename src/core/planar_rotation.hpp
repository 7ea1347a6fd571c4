#pragma once

#include <array>

namespace orbyx {

using Vector3 = std::array<double, 3>;

// Frame rotations by an angle given as its sine and cosine; pass -sin for the
// opposite angle.

// R1: about x.
inline Vector3 rotate_about_x(const Vector3& v, double sin_angle, double cos_angle) {
    return {v[0], cos_angle * v[1] + sin_angle * v[2], -sin_angle * v[1] + cos_angle * v[2]};
}

// R2: about y.
inline Vector3 rotate_about_y(const Vector3& v, double sin_angle, double cos_angle) {
    return {cos_angle * v[0] - sin_angle * v[2], v[1], sin_angle * v[0] + cos_angle * v[2]};
}

// R3: about z.
inline Vector3 rotate_about_z(const Vector3& v, double sin_angle, double cos_angle) {
    return {cos_angle * v[0] + sin_angle * v[1], -sin_angle * v[0] + cos_angle * v[1], v[2]};
}

}  // namespace orbyx
