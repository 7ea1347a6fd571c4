#pragma once

#include "core/errors.hpp"
#include "core/nutation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// IAU 2006 Fukushima-Williams bias-precession(-nutation) rotation from the kernel
// frame to the equator or ecliptic of date: R1(-eps) R3(-psi) R1(phi_bar) R3(gamma_bar),
// the first factor only for the equator. Stored as sines and cosines, applied as
// planar rotations.
class OfDateRotation {
public:
    // With `nutation` off the mean frame of date, and the series is not evaluated.
    OfDateRotation(bool nutation, bool equatorial, double julian_day);

    // True frame of date from a nutation already computed for `julian_day`.
    OfDateRotation(const Nutation& nutation, bool equatorial, double julian_day);

    // Kernel frame to frame of date; velocity rotated as a vector.
    Result<CartesianState, CoordinateError> apply(const CartesianState& state) const;
    // Frame of date to kernel frame, the exact transpose of `apply`.
    Result<CartesianState, CoordinateError> apply_inverse(const CartesianState& state) const;

private:
    double sin_gamma_, cos_gamma_;
    double sin_phi_, cos_phi_;
    double sin_psi_, cos_psi_;
    double sin_epsilon_, cos_epsilon_;
    bool equatorial_;
};

}  // namespace orbyx
