#pragma once

#include <variant>

#include "core/errors.hpp"
#include "core/of_date_rotation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// The axes a position is given in: the kernel frame itself, the fixed J2000 ecliptic,
// or a mean or true equator or ecliptic of date.
struct OutputFrame {
    struct J2000Equatorial {};
    struct J2000Ecliptic {};
    std::variant<J2000Equatorial, J2000Ecliptic, OfDateRotation> axes;

    // Kernel-frame state to these axes.
    Result<CartesianState, CoordinateError> apply(const CartesianState& state) const;
};

// The frame resolved `options` ask for at TDB Julian day `tdb_julian_day`.
OutputFrame output_frame(const PositionOptions& options, double tdb_julian_day);

// Longitude, latitude, distance (au) and longitude speed of a kernel-frame state in
// `frame`; coordinate failures become Evaluation errors.
Result<Position, EphemerisError> position_from_state(const CartesianState& state,
                                                     const OutputFrame& frame);

}  // namespace orbyx
