#pragma once

#include <array>
#include <cstddef>

#include "core/errors.hpp"
#include "core/planar_rotation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

struct OutputFrame;

inline constexpr std::size_t SHIFTED_BODY_COUNT = 10;

// Where an observer at `observer` (barycentric state, km and km/s) sees bodies whose
// light-time corrected positions from it are `relative` (km, the Sun's first): their
// longitudes in `frame` after the Sun's deflection of all but the Sun and aberration,
// the engine's formulas run in vector lanes across the bodies. Each rate of a chart
// takes two such sets; the frame must be one of date.
Result<std::array<double, SHIFTED_BODY_COUNT>, EphemerisError> shifted_longitudes(
    const std::array<Vector3, SHIFTED_BODY_COUNT>& relative, const CartesianState& observer, const Vector3& sun,
    const OutputFrame& frame);

}  // namespace orbyx
