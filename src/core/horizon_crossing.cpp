#include "core/horizon_crossing.hpp"

#include <cmath>

namespace orbyx {
namespace {

// Below this cos(latitude) * cos(declination) the body circles parallel to the horizon.
constexpr double DEGENERATE_GEOMETRY_THRESHOLD = 1e-18;

}  // namespace

Result<HorizonCrossing, CoordinateError> rise_set_hour_angle(double latitude_rad,
                                                            double declination_rad,
                                                            double altitude_rad) {
    if (!std::isfinite(latitude_rad) || !std::isfinite(declination_rad) || !std::isfinite(altitude_rad)) {
        return failure(CoordinateError::NonFiniteState);
    }
    const double sin_altitude = std::sin(altitude_rad);
    const double sin_product = std::sin(latitude_rad) * std::sin(declination_rad);
    const double cos_product = std::cos(latitude_rad) * std::cos(declination_rad);
    if (std::fabs(cos_product) < DEGENERATE_GEOMETRY_THRESHOLD) {
        return HorizonCrossing{sin_altitude <= sin_product ? HorizonCrossing::Kind::StaysAbove
                                                           : HorizonCrossing::Kind::NeverReaches};
    }
    const double k = (sin_altitude - sin_product) / cos_product;
    if (k > 1.0) return HorizonCrossing{HorizonCrossing::Kind::NeverReaches};
    if (k < -1.0) return HorizonCrossing{HorizonCrossing::Kind::StaysAbove};
    return HorizonCrossing{HorizonCrossing::Kind::Crosses, std::acos(k)};
}

}  // namespace orbyx
