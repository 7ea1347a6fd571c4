#include "core/of_date_rotation.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/planar_rotation.hpp"
#include "core/precession_iau2006.hpp"

namespace orbyx {

OfDateRotation::OfDateRotation(bool nutation, bool equatorial, double julian_day)
    : OfDateRotation(nutation ? nutation_iau2000b(julian_day) : Nutation{0.0, 0.0}, equatorial,
                     julian_day) {}

OfDateRotation::OfDateRotation(const Nutation& nutation, bool equatorial, double julian_day)
    : equatorial_(equatorial) {
    const FukushimaWilliamsAngles angles =
        fukushima_williams_iau2006(julian_centuries_since_j2000(julian_day));
    const double psi = angles.psi_bar_rad + nutation.dpsi_rad;
    const double epsilon = angles.epsilon_a_rad + nutation.deps_rad;
    sin_gamma_ = std::sin(angles.gamma_bar_rad);
    cos_gamma_ = std::cos(angles.gamma_bar_rad);
    sin_phi_ = std::sin(angles.phi_bar_rad);
    cos_phi_ = std::cos(angles.phi_bar_rad);
    sin_psi_ = std::sin(psi);
    cos_psi_ = std::cos(psi);
    sin_epsilon_ = std::sin(epsilon);
    cos_epsilon_ = std::cos(epsilon);
}

Result<CartesianState, CoordinateError> OfDateRotation::apply(const CartesianState& state) const {
    if (!state.is_finite()) return failure(CoordinateError::NonFiniteState);
    const auto rotate = [this](const Vector3& v) {
        Vector3 r = rotate_about_z(v, sin_gamma_, cos_gamma_);
        r = rotate_about_x(r, sin_phi_, cos_phi_);
        r = rotate_about_z(r, -sin_psi_, cos_psi_);
        return equatorial_ ? rotate_about_x(r, -sin_epsilon_, cos_epsilon_) : r;
    };
    return CartesianState{rotate(state.position), rotate(state.velocity)};
}

Result<CartesianState, CoordinateError> OfDateRotation::apply_inverse(
    const CartesianState& state) const {
    if (!state.is_finite()) return failure(CoordinateError::NonFiniteState);
    const auto rotate = [this](const Vector3& v) {
        Vector3 r = equatorial_ ? rotate_about_x(v, sin_epsilon_, cos_epsilon_) : v;
        r = rotate_about_z(r, sin_psi_, cos_psi_);
        r = rotate_about_x(r, -sin_phi_, cos_phi_);
        return rotate_about_z(r, -sin_gamma_, cos_gamma_);
    };
    return CartesianState{rotate(state.position), rotate(state.velocity)};
}

}  // namespace orbyx
