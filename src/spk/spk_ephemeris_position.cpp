#include <optional>

#include "core/constants.hpp"
#include "spk/barycentric_state.hpp"
#include "spk/output_frame.hpp"
#include "spk/position_options.hpp"
#include "spk/relative_state.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {

Result<Position, EphemerisError> SpkEphemeris::position(Body body, const Instant& instant,
                                                        const PositionOptions& requested) {
    const auto options = resolve_position_options(requested);
    if (!options) return failure(options.error());
    const auto epoch = tdb_seconds(instant);
    if (!epoch) return failure(epoch.error());

    const std::int32_t target = naif_id(body);
    const std::int32_t center = origin_center(options->origin.kind);
    std::optional<CartesianState> observer_offset;
    if (options->origin.kind == OriginKind::Topocentric) {
        // The Earth seen from a site on it is a valid request: no identity test.
        auto observer = observer_gcrs_state(options->origin.observer, instant);
        if (!observer) return failure(std::move(observer).error());
        observer_offset = *observer;
    } else if (auto distinct = reject_identical_target_and_center(target, center); !distinct) {
        return failure(std::move(distinct).error());
    }

    const SharedLengthChecks length_checks(kernels_);
    const auto relative =
        resolve_relative_state(kernels_, target, center, options->corrections, observer_offset, *epoch);
    if (!relative) return failure(to_ephemeris_error(relative.error()));
    return position_from_state(*relative, output_frame(*options, julian_day_from_seconds(*epoch)));
}

}  // namespace orbyx
