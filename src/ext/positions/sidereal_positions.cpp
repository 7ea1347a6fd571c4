#include "ext/positions/sidereal_positions.hpp"

#include "core/angle_reduction.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/position_batch.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Status<EphemerisError> check_sidereal_options(const PositionOptions& options) {
    if (options.coordinate_system != CoordinateSystem::Ecliptic || options.reference_epoch != ReferenceEpoch::OfDate) {
        return failure(EphemerisError::invalid_request("sidereal longitudes require ecliptic of date"));
    }
    return {};
}

Status<EphemerisError> subtract_ayanamsha(const SpkEphemeris& engine, std::span<const Instant> instants,
                                          std::size_t body_count, const SiderealOrigin& origin,
                                          std::span<double> values) {
    constexpr std::size_t PER_ENTRY = PositionBatch::VALUES_PER_ENTRY;
    for (std::size_t i = 0; i < instants.size(); ++i) {
        // The engine's own TT wherever it reads the instant, the ΔT model's beyond.
        const auto evaluable = evaluable_instant(engine, instants[i]);
        if (!evaluable) return failure(evaluable.error());
        const auto tt_julian_day = engine.instant_as_tt(*evaluable);
        if (!tt_julian_day) return failure(tt_julian_day.error());
        const auto offset = sidereal_offset(origin, *tt_julian_day);
        if (!offset) return failure(offset.error());
        for (std::size_t b = 0; b < body_count; ++b) {
            double* entry = values.data() + (i * body_count + b) * PER_ENTRY;
            entry[0] = reduced_to_circle_deg(entry[0] - offset->value_deg);
            entry[3] -= offset->rate_deg_per_day;
        }
    }
    return {};
}

}  // namespace orbyx
