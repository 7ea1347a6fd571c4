#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ephemeris_backend.hpp"
#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/epoch_memo.hpp"
#include "spk/kernel_source.hpp"
#include "spk/position_batch.hpp"
#include "spk/spk_kernel.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

namespace orbyx {

// The engine: the primary kernel and any attached kernels, the time kernels and
// what was recorded at opening. Movable, not copyable. One request at a time: the
// caller owns the engine exclusively while a call runs.
class SpkEphemeris final : public EphemerisBackend {
public:
    // `sha256` is a caller-verified label: only its form is checked.
    static Result<SpkEphemeris, EphemerisError> open(
        std::string_view path, std::string_view sha256,
        KernelSourceMode mode = KernelSourceMode::MapIfPossible);

    // Appends `kernel` after the others; the supported range stays the primary's.
    static Result<SpkEphemeris, EphemerisError> with_additional_kernel(SpkEphemeris engine,
                                                                       SpkKernel kernel,
                                                                       std::string name,
                                                                       std::string_view sha256);

    // Every kernel, those attached later included, evaluates the extended segment
    // types (see SpkKernel::evaluates_segment_type).
    static SpkEphemeris with_extended_segment_types(SpkEphemeris engine);

    // Replace whatever time kernel was attached before.
    static SpkEphemeris with_leap_second_kernel(SpkEphemeris engine, LeapSecondKernel kernel);
    static SpkEphemeris with_eop(SpkEphemeris engine, EarthOrientationTable table);
    static SpkEphemeris with_time_kernels(SpkEphemeris engine, LeapSecondKernel kernel,
                                          EarthOrientationTable table);

    SpkEphemeris(SpkEphemeris&&) = default;
    SpkEphemeris& operator=(SpkEphemeris&&) = default;
    SpkEphemeris(const SpkEphemeris&) = delete;
    SpkEphemeris& operator=(const SpkEphemeris&) = delete;

    const EphemerisMetadata& metadata() const { return metadata_; }
    const DateRange& supported_range() const { return supported_range_; }
    // Primary first, then attached kernels in attachment order.
    std::vector<SpkKernel>& kernels() { return kernels_; }
    const std::vector<SpkKernel>& kernels() const { return kernels_; }
    const LeapSecondKernel* leap_second_kernel() const {
        return leap_second_kernel_ ? &*leap_second_kernel_ : nullptr;
    }
    const EarthOrientationTable* earth_orientation_table() const {
        return earth_orientation_table_ ? &*earth_orientation_table_ : nullptr;
    }

    // TDB seconds past J2000 of `instant`, refused outside the supported range.
    Result<double, EphemerisError> tdb_seconds(const Instant& instant) const;
    // The TT Julian day of `instant`.
    Result<double, EphemerisError> instant_as_tt(const Instant& instant) const;
    // Needs both time kernels, whatever the instant's scale.
    Result<EarthRotationEpochs, EphemerisError> earth_rotation_epochs(const Instant& instant) const;
    // The site's geocentric GCRS position and velocity at `instant`, with polar motion.
    Result<CartesianState, EphemerisError> observer_gcrs_state(const GeodeticObserver& observer,
                                                               const Instant& instant) const;
    // The same, with the Earth turned by the caller's UT1 and TT days and pole offset
    // (arcseconds), for instants the time tables do not reach.
    Result<CartesianState, EphemerisError> observer_gcrs_state(const GeodeticObserver& observer,
                                                               double ut1_julian_day, double tt_julian_day,
                                                               double xp_arcsec, double yp_arcsec) const;

    Result<Position, EphemerisError> position(Body body, const Instant& instant,
                                              const PositionOptions& options) override;
    // A topocentric position seen from the caller's site state (GCRS, km and km/s)
    // instead of one the time tables turn; the same bits when given the state
    // observer_gcrs_state gives.
    Result<Position, EphemerisError> position(Body body, const Instant& instant,
                                              const PositionOptions& options,
                                              const CartesianState& site_gcrs);
    // The same for any NAIF body the kernels hold, by its id; a body of the Body enum
    // gets the same bits either way.
    Result<Position, EphemerisError> position(std::int32_t naif_target, const Instant& instant,
                                              const PositionOptions& options);
    Result<Position, EphemerisError> position(std::int32_t naif_target, const Instant& instant,
                                              const PositionOptions& options,
                                              const CartesianState& site_gcrs);
    Result<std::vector<Position>, EphemerisError> positions(
        std::span<const Body> bodies, std::span<const Instant> instants,
        const PositionOptions& options) override;
    // The checks of `positions` that need no kernel, in its order: options, result size,
    // identity, then each instant's time and observer.
    Result<PositionBatch, EphemerisError> check_positions(std::span<const Body> bodies,
                                                          std::span<const Instant> instants,
                                                          const PositionOptions& options) const;
    // The same for topocentric options with the caller's site state per instant.
    Result<PositionBatch, EphemerisError> check_positions(std::span<const Body> bodies,
                                                          std::span<const Instant> instants,
                                                          const PositionOptions& options,
                                                          std::span<const CartesianState> site_gcrs) const;
    // The same two for any NAIF bodies, by id; named apart so that an empty braced list
    // still picks one.
    Result<PositionBatch, EphemerisError> check_naif_positions(std::span<const std::int32_t> naif_targets,
                                                               std::span<const Instant> instants,
                                                               const PositionOptions& options) const;
    Result<PositionBatch, EphemerisError> check_naif_positions(std::span<const std::int32_t> naif_targets,
                                                               std::span<const Instant> instants,
                                                               const PositionOptions& options,
                                                               std::span<const CartesianState> site_gcrs) const;
    // A batch checked by this engine, written into `out` as longitude, latitude,
    // distance (au) and longitude speed per entry; `out` must hold batch.value_count()
    // values. On failure `out` holds nothing meaningful.
    Status<EphemerisError> positions(const PositionBatch& batch, std::span<double> out);

    // The tropical ecliptic-of-date longitude less the mode's ayanamsha; the
    // options must ask for the ecliptic of date.
    Result<Position, EphemerisError> sidereal_position(Body body, const Instant& instant,
                                                       const PositionOptions& options,
                                                       SiderealMode mode);

    // The next instant after `after` at which the Sun's apparent longitude, or the
    // Moon's apparent elongation from the Sun, reaches the target; returned in TT.
    Result<Instant, EphemerisError> next_sun_longitude(const Instant& after, double target_deg);
    Result<Instant, EphemerisError> next_sun_moon_elongation(const Instant& after,
                                                             double target_deg);

    // Sun or Moon only; every day returned is a UT1 Julian day. The upper transit
    // nearest to `around`, with the rise before and the set after it.
    Result<RiseSetTransit, EphemerisError> rise_set_transit(Body body,
                                                            const GeodeticObserver& observer,
                                                            const Instant& around,
                                                            double altitude_deg);
    // The first event of `kind` more than one second after `after`.
    Result<HorizonEvent, EphemerisError> next_horizon_event(Body body,
                                                            const GeodeticObserver& observer,
                                                            const Instant& after,
                                                            HorizonEventKind kind,
                                                            double altitude_deg);

private:
    // `target` at `instant` under options already resolved; remembers nothing.
    Result<Position, EphemerisError> resolved_position(std::int32_t target, const Instant& instant,
                                                       const PositionOptions& options);
    Result<PositionBatch, EphemerisError> check_positions_with(
        std::span<const std::int32_t> targets, std::span<const Instant> instants, const PositionOptions& options,
        std::span<const CartesianState> site_gcrs) const;
    // `target` seen from `center` (plus the site, if any) at TDB seconds `epoch`, corrected.
    Result<CartesianState, SpkError> relative_state(std::int32_t target, std::int32_t center,
                                                    const Corrections& corrections,
                                                    const std::optional<CartesianState>& observer_offset,
                                                    double epoch);
    // The axes resolved `options` ask for at that TDB day.
    const OutputFrame& frame_of(const PositionOptions& options, double tdb_julian_day);
    void prepare_site_and_frame_nutations(const Instant& instant, const PositionOptions& options,
                                          double tdb_julian_day) const;

    SpkEphemeris(EphemerisMetadata metadata, std::pair<double, double> coverage_seconds,
                 SpkKernel primary);

    EphemerisMetadata metadata_;
    // The primary kernel's common coverage in TDB seconds past J2000, and as Julian days.
    std::pair<double, double> coverage_seconds_;
    DateRange supported_range_;
    std::vector<SpkKernel> kernels_;
    bool extended_segment_types_ = false;
    std::optional<LeapSecondKernel> leap_second_kernel_;
    std::optional<EarthOrientationTable> earth_orientation_table_;
    // Per-instant answers of the scalar path; filled by const operations too.
    mutable EpochMemo memo_;
};

}  // namespace orbyx
