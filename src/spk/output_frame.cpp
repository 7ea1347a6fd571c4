#include "spk/output_frame.hpp"

#include "core/constants.hpp"
#include "core/spherical.hpp"

namespace orbyx {

Result<CartesianState, CoordinateError> OutputFrame::apply(const CartesianState& state) const {
    if (const auto* of_date = std::get_if<OfDateRotation>(&axes)) return of_date->apply(state);
    if (std::holds_alternative<J2000Ecliptic>(axes)) return to_j2000_ecliptic(state);
    return state;
}

OutputFrame output_frame(const PositionOptions& options, double tdb_julian_day) {
    const bool equatorial = options.coordinate_system == CoordinateSystem::Equatorial;
    if (options.reference_epoch == ReferenceEpoch::OfDate) {
        return {OfDateRotation(options.corrections.nutation, equatorial, tdb_julian_day)};
    }
    if (equatorial) return {OutputFrame::J2000Equatorial{}};
    return {OutputFrame::J2000Ecliptic{}};
}

Result<Position, EphemerisError> position_from_state(const CartesianState& state,
                                                     const OutputFrame& frame) {
    const auto rotated = frame.apply(state);
    if (!rotated) return failure(EphemerisError::evaluation(message(rotated.error())));
    const auto spherical = to_spherical(*rotated);
    if (!spherical) return failure(EphemerisError::evaluation(message(spherical.error())));
    return Position{spherical->longitude_deg, spherical->latitude_deg,
                    spherical->distance_km / ASTRONOMICAL_UNIT_KM,
                    spherical->longitude_speed_deg_per_day};
}

}  // namespace orbyx
