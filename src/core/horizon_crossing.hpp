#pragma once

#include "core/errors.hpp"
#include "core/result.hpp"

namespace orbyx {

// How a body at declination delta meets an altitude over one rotation.
struct HorizonCrossing {
    enum class Kind { Crosses, StaysAbove, NeverReaches };
    Kind kind;
    double hour_angle_rad = 0.0;  // H0 in [0, pi]; meaningful only for Crosses
};

// All angles in radians.
Result<HorizonCrossing, CoordinateError> rise_set_hour_angle(double latitude_rad,
                                                            double declination_rad,
                                                            double altitude_rad);

}  // namespace orbyx
