#include <optional>

#include "core/constants.hpp"
#include "core/nutation.hpp"
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
    // Only positions that were computed are remembered, so the checks below passed.
    if (const Position* remembered = memo_.positions.find(body, instant, *options)) return *remembered;
    const auto position = resolved_position(naif_id(body), instant, *options);
    if (position) memo_.positions.remember(body, instant, *options, *position);
    return position;
}

Result<Position, EphemerisError> SpkEphemeris::position(std::int32_t naif_target, const Instant& instant,
                                                        const PositionOptions& requested) {
    const auto options = resolve_position_options(requested);
    if (!options) return failure(options.error());
    return resolved_position(naif_target, instant, *options);
}

Result<Position, EphemerisError> SpkEphemeris::resolved_position(std::int32_t target, const Instant& instant,
                                                                 const PositionOptions& options) {
    const auto epoch = tdb_seconds(instant);
    if (!epoch) return failure(epoch.error());

    const std::int32_t center = origin_center(options.origin.kind);
    const double tdb_julian_day = julian_day_from_seconds(*epoch);
    std::optional<CartesianState> observer_offset;
    if (options.origin.kind == OriginKind::Topocentric) {
        prepare_site_and_frame_nutations(instant, options, tdb_julian_day);
        // The Earth seen from a site on it is a valid request: no identity test.
        auto observer = observer_gcrs_state(options.origin.observer, instant);
        if (!observer) return failure(std::move(observer).error());
        observer_offset = *observer;
    } else if (auto distinct = reject_identical_target_and_center(target, center); !distinct) {
        return failure(std::move(distinct).error());
    }
    // From here on a target is never its own centre without a site, the one case in
    // which no state is evaluated.

    const auto relative = relative_state(target, center, options.corrections, observer_offset, *epoch);
    if (!relative) return failure(to_ephemeris_error(relative.error()));
    return position_from_state(*relative, frame_of(options, tdb_julian_day));
}

Result<Position, EphemerisError> SpkEphemeris::position(Body body, const Instant& instant,
                                                        const PositionOptions& requested,
                                                        const CartesianState& site_gcrs) {
    return position(naif_id(body), instant, requested, site_gcrs);
}

Result<Position, EphemerisError> SpkEphemeris::position(std::int32_t naif_target, const Instant& instant,
                                                        const PositionOptions& requested,
                                                        const CartesianState& site_gcrs) {
    const auto options = resolve_position_options(requested);
    if (!options) return failure(options.error());
    if (options->origin.kind != OriginKind::Topocentric) {
        return failure(EphemerisError::invalid_request("a site state needs a topocentric origin"));
    }
    const auto epoch = tdb_seconds(instant);
    if (!epoch) return failure(epoch.error());
    // Not remembered among the positions: their key does not hold the site state.
    const auto relative = relative_state(naif_target, origin_center(options->origin.kind),
                                         options->corrections, site_gcrs, *epoch);
    if (!relative) return failure(to_ephemeris_error(relative.error()));
    return position_from_state(*relative, frame_of(*options, julian_day_from_seconds(*epoch)));
}

// The site turns with the Earth by the nutation at TT, and a frame of date needs it at
// TDB: two evaluations side by side cost about one. A failure here is left for the
// site's own conversion to report.
void SpkEphemeris::prepare_site_and_frame_nutations(const Instant& instant, const PositionOptions& options,
                                                    double tdb_julian_day) const {
    if (options.reference_epoch != ReferenceEpoch::OfDate || !options.corrections.nutation) return;
    if (memo_.site_state.find({options.origin.observer, instant}) != nullptr) return;
    if (const auto epochs = earth_rotation_epochs(instant)) {
        prepare_nutations_iau2000b(epochs->tt_julian_day, tdb_julian_day);
    }
}

Result<CartesianState, SpkError> SpkEphemeris::relative_state(std::int32_t target, std::int32_t center,
                                                              const Corrections& corrections,
                                                              const std::optional<CartesianState>& observer_offset,
                                                              double epoch) {
    const SharedLengthChecks length_checks(kernels_);
    // Every body of a chart, and both bodies of an elongation, look from one point.
    const LookoutAtEpoch key{center, observer_offset, epoch};
    LookoutStates* states = memo_.lookout.find(key);
    if (states == nullptr) {
        const auto lookout = observer_barycentric_state(kernels_, center, observer_offset, epoch);
        if (!lookout) return failure(lookout.error());
        states = &memo_.lookout.remember(key, {*lookout, std::nullopt});
    }
    return corrected_relative_state(kernels_, target, center, corrections, states->lookout, states->sun, epoch);
}

const OutputFrame& SpkEphemeris::frame_of(const PositionOptions& options, double tdb_julian_day) {
    const FrameAtDay key{options.reference_epoch == ReferenceEpoch::OfDate,
                         options.coordinate_system == CoordinateSystem::Equatorial, options.corrections.nutation,
                         tdb_julian_day};
    if (const OutputFrame* remembered = memo_.frame.find(key)) return *remembered;
    return memo_.frame.remember(key, output_frame(options, tdb_julian_day));
}

}  // namespace orbyx
