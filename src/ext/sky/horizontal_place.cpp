#include "ext/sky/horizontal_place.hpp"

#include "core/observer.hpp"
#include "ext/sky/turned_site.hpp"
#include "ext/time/earth_orientation.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

PositionOptions apparent_equatorial_of_date(const GeodeticObserver& observer) {
    PositionOptions options{{OriginKind::Topocentric, observer}, CoordinateSystem::Equatorial,
                            ReferenceEpoch::OfDate};
    options.apparent = true;
    return options;
}

// The engine answers for its own centre seen from a site, but that is no place in the sky.
Status<EphemerisError> reject_earth(std::int32_t target) {
    if (target == naif_id(Body::Earth)) {
        return failure(EphemerisError::invalid_request("the Earth has no place in the sky of a site on it"));
    }
    return {};
}

Status<EphemerisError> reject_earth(std::span<const std::int32_t> targets) {
    for (std::int32_t target : targets) {
        if (auto sky_body = reject_earth(target); !sky_body) return sky_body;
    }
    return {};
}

// The site and its sky at one instant, turned by one Earth orientation so that the
// site the engine looks from and the horizon it is seen in agree outside the tables too.
struct SiteSky {
    CartesianState gcrs;
    SkyFrame frame;
    TimeSource source;
};

Result<SiteSky, EphemerisError> site_at(const SpkEphemeris& engine, const GeodeticObserver& observer,
                                        const Instant& instant) {
    const auto site = turned_site(engine, observer, instant);
    if (!site) return failure(site.error());
    return SiteSky{site->gcrs, SkyFrame(observer, site->orientation), site->orientation.source};
}

double altitude_through(double true_altitude_deg, const std::optional<Atmosphere>& air) {
    return air ? observed_altitude_deg(true_altitude_deg, *air) : true_altitude_deg;
}

}  // namespace

Result<HorizontalPlace, EphemerisError> horizontal_place(SpkEphemeris& engine, std::int32_t target,
                                                         const GeodeticObserver& observer,
                                                         const Instant& instant) {
    return horizontal_place(engine, target, observer, instant, std::nullopt);
}

Result<HorizontalPlace, EphemerisError> horizontal_place(SpkEphemeris& engine, std::int32_t target,
                                                         const GeodeticObserver& observer,
                                                         const Instant& instant,
                                                         const std::optional<Atmosphere>& air) {
    if (auto sky_body = reject_earth(target); !sky_body) return failure(std::move(sky_body).error());
    const auto site = site_at(engine, observer, instant);
    if (!site) return failure(site.error());
    const auto evaluable = evaluable_instant(engine, instant);
    if (!evaluable) return failure(evaluable.error());
    const auto position = engine.position(target, *evaluable, apparent_equatorial_of_date(observer), site->gcrs);
    if (!position) return failure(position.error());
    const SkyPlace place = site->frame.place(*position);
    return HorizontalPlace{altitude_through(place.altitude_deg, air),
                           place.azimuth_deg,
                           place.hour_angle_deg,
                           place.declination_deg,
                           place.right_ascension_deg,
                           site->frame.local_apparent_sidereal_time_deg(),
                           place.distance_au,
                           site->source};
}

Result<HorizontalBatch, EphemerisError> check_horizontal_places(SpkEphemeris& engine,
                                                                std::span<const std::int32_t> targets,
                                                                const GeodeticObserver& observer,
                                                                std::span<const Instant> instants,
                                                                const std::optional<Atmosphere>& air) {
    if (auto sky_bodies = reject_earth(targets); !sky_bodies) return failure(std::move(sky_bodies).error());
    std::vector<CartesianState> sites;
    std::vector<SkyFrame> frames;
    std::vector<Instant> evaluable;
    sites.reserve(instants.size());
    frames.reserve(instants.size());
    evaluable.reserve(instants.size());
    TimeSource source = TimeSource::Tables;
    for (const Instant& instant : instants) {
        auto site = site_at(engine, observer, instant);
        if (!site) return failure(std::move(site).error());
        sites.push_back(site->gcrs);
        frames.push_back(site->frame);
        if (site->source != TimeSource::Tables) source = site->source;
        auto readable = site->source == TimeSource::Tables ? Result<Instant, EphemerisError>(instant)
                                                           : evaluable_instant(engine, instant);
        if (!readable) return failure(std::move(readable).error());
        evaluable.push_back(*readable);
    }
    auto positions = engine.check_naif_positions(targets, evaluable, apparent_equatorial_of_date(observer), sites);
    if (!positions) return failure(std::move(positions).error());
    return HorizontalBatch{std::move(*positions), std::move(frames), air, source};
}

Status<EphemerisError> horizontal_places(SpkEphemeris& engine, const HorizontalBatch& batch,
                                         std::span<double> out) {
    const std::size_t entries = batch.positions.entry_count;
    if (out.size() != entries * HORIZONTAL_VALUES_PER_ENTRY) {
        return failure(EphemerisError::invalid_request(
            "horizontal batch output buffer must hold n_instants * n_bodies * 5 values"));
    }
    // The engine writes its four values per entry into the front of `out`; each entry
    // then moves to its own five values, from the last entry back, so that no entry
    // is overwritten before it is read.
    static_assert(PositionBatch::VALUES_PER_ENTRY < HORIZONTAL_VALUES_PER_ENTRY);
    if (auto written = engine.positions(batch.positions, out.first(batch.positions.value_count())); !written) {
        return written;
    }
    const std::size_t body_count = batch.positions.targets.size();
    for (std::size_t entry = entries; entry-- > 0;) {
        const double* in = out.data() + entry * PositionBatch::VALUES_PER_ENTRY;
        const Position of_date{in[0], in[1], in[2], in[3]};
        const SkyPlace place = batch.frames[entry / body_count].place(of_date);
        double* values = out.data() + entry * HORIZONTAL_VALUES_PER_ENTRY;
        values[0] = altitude_through(place.altitude_deg, batch.air);
        values[1] = place.azimuth_deg;
        values[2] = place.hour_angle_deg;
        values[3] = place.declination_deg;
        values[4] = place.distance_au;
    }
    return {};
}

Result<LocalSiderealTime, EphemerisError> local_sidereal_time(const SpkEphemeris& engine,
                                                              const GeodeticObserver& observer,
                                                              const Instant& instant) {
    if (auto valid = validate_observer(observer); !valid) {
        return failure(EphemerisError::invalid_request(message(valid.error())));
    }
    const auto orientation = earth_orientation(engine, instant);
    if (!orientation) return failure(orientation.error());
    return LocalSiderealTime{SkyFrame(observer, *orientation).local_apparent_sidereal_time_deg(),
                             orientation->source};
}

}  // namespace orbyx
