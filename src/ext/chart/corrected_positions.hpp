#pragma once

#include <array>
#include <cstddef>

#include "core/planar_rotation.hpp"
#include "core/types.hpp"

namespace orbyx {

inline constexpr std::size_t CORRECTED_BODY_COUNT = 10;

// Where an observer at `observer` (barycentric state, km and km/s) sees bodies whose
// light-time corrected positions from it are `relative` (km, kernel axes, the Sun's
// first): bent by the Sun (all but the Sun) and aberrated by the engine's formulas,
// run in vector lanes across the bodies, with the very bits of its single positions.
std::array<Vector3, CORRECTED_BODY_COUNT> corrected_positions(const std::array<Vector3, CORRECTED_BODY_COUNT>& relative,
                                                             const CartesianState& observer, const Vector3& sun);

}  // namespace orbyx
