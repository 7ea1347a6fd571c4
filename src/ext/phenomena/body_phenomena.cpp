#include "ext/phenomena/body_phenomena.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "core/planar_rotation.hpp"
#include "ext/phenomena/mean_radius.hpp"
#include "ext/sky/turned_site.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/relative_state.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

constexpr double LIGHT_SECONDS_PER_AU = ASTRONOMICAL_UNIT_KM / SPEED_OF_LIGHT_KM_PER_S;

Origin origin_of(const std::optional<GeodeticObserver>& observer) {
    if (observer) return Origin{OriginKind::Topocentric, *observer};
    return Origin{OriginKind::Geocentric};
}

// Light time only, in the kernels' own axes: the direction light arrives from.
PositionOptions astrometric(const Origin& origin) {
    PositionOptions options{origin, CoordinateSystem::Equatorial, ReferenceEpoch::J2000};
    options.corrections.light_time = true;
    return options;
}

PositionOptions apparent(const Origin& origin) {
    PositionOptions options{origin, CoordinateSystem::Equatorial, ReferenceEpoch::OfDate};
    options.apparent = true;
    return options;
}

const PositionOptions BARYCENTRIC{Origin{OriginKind::Barycentric}, CoordinateSystem::Equatorial,
                                  ReferenceEpoch::J2000};

// The geocentre, or a site turned with the Earth by the tables or the ΔT model.
class Lookout {
public:
    Lookout(SpkEphemeris& engine, const std::optional<GeodeticObserver>& observer,
            std::optional<CartesianState> site)
        : engine_(engine), origin_(origin_of(observer)), site_(site) {}

    const Origin& origin() const { return origin_; }

    Result<Position, EphemerisError> position(std::int32_t target, const Instant& instant,
                                              const PositionOptions& options) const {
        return site_ ? engine_.position(target, instant, options, *site_) : engine_.position(target, instant, options);
    }

private:
    SpkEphemeris& engine_;
    Origin origin_;
    std::optional<CartesianState> site_;
};

Result<Lookout, EphemerisError> lookout_at(SpkEphemeris& engine, const std::optional<GeodeticObserver>& observer,
                                           const Instant& instant) {
    if (!observer) return Lookout(engine, observer, std::nullopt);
    const auto site = turned_site(engine, *observer, instant);
    if (!site) return failure(site.error());
    return Lookout(engine, observer, site->gcrs);
}

Vector3 cartesian_au(const Position& position) {
    const double lon = position.longitude_deg * DEGREES_TO_RADIANS;
    const double lat = position.latitude_deg * DEGREES_TO_RADIANS;
    const double r = position.distance_au;
    return {r * std::cos(lat) * std::cos(lon), r * std::cos(lat) * std::sin(lon), r * std::sin(lat)};
}

double norm(const Vector3& v) { return std::hypot(v[0], v[1], v[2]); }

// atan2 of the cross and dot products keeps small and near-straight angles exact.
double angle_deg(const Vector3& a, const Vector3& b) {
    const Vector3 cross{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    return std::atan2(norm(cross), dot) * RADIANS_TO_DEGREES;
}

Instant tdb_instant(double tdb_seconds) { return Instant{julian_day_from_seconds(tdb_seconds), TimeScale::Tdb}; }

// Sun - body - observer, with `seen` the light-time corrected observer -> body vector:
// the body where it sent the light seen, the Sun where it is at the instant. Taking
// the Sun where its own light left for the body instead moves the angle by under 0.05
// arcsec; this is the convention of skyfield's almanac, which users compare with.
Result<double, EphemerisError> phase_angle_deg(SpkEphemeris& engine, std::int32_t target, const Instant& instant,
                                               const Vector3& seen) {
    const auto received = engine.tdb_seconds(instant);
    if (!received) return failure(received.error());
    const double emitted = *received - norm(seen) * LIGHT_SECONDS_PER_AU;
    const auto body_place = engine.position(target, tdb_instant(emitted), BARYCENTRIC);
    if (!body_place) return failure(body_place.error());
    const auto sun_place = engine.position(SUN_NAIF_ID, instant, BARYCENTRIC);
    if (!sun_place) return failure(sun_place.error());
    const Vector3 body_at = cartesian_au(*body_place);
    const Vector3 sun_at = cartesian_au(*sun_place);
    const Vector3 to_sun{sun_at[0] - body_at[0], sun_at[1] - body_at[1], sun_at[2] - body_at[2]};
    return angle_deg({-seen[0], -seen[1], -seen[2]}, to_sun);
}

}  // namespace

Result<Phenomena, EphemerisError> body_phenomena(SpkEphemeris& engine, std::int32_t target,
                                                 const Instant& instant,
                                                 const std::optional<GeodeticObserver>& observer) {
    if (target == naif_id(Body::Earth)) {
        return failure(EphemerisError::invalid_request("the Earth has no phase or elongation seen from itself"));
    }
    const auto lookout = lookout_at(engine, observer, instant);
    if (!lookout) return failure(lookout.error());
    const auto evaluable = evaluable_instant(engine, instant);
    if (!evaluable) return failure(evaluable.error());
    const auto seen = lookout->position(target, *evaluable, astrometric(lookout->origin()));
    if (!seen) return failure(seen.error());
    const auto sun_place = lookout->position(SUN_NAIF_ID, *evaluable, apparent(lookout->origin()));
    if (!sun_place) return failure(sun_place.error());
    const auto body_place = lookout->position(target, *evaluable, apparent(lookout->origin()));
    if (!body_place) return failure(body_place.error());

    double phase = 0.0;  // the Sun shows its whole disc
    if (target != SUN_NAIF_ID) {
        const auto angle = phase_angle_deg(engine, target, *evaluable, cartesian_au(*seen));
        if (!angle) return failure(angle.error());
        phase = *angle;
    }
    const double distance_km = seen->distance_au * ASTRONOMICAL_UNIT_KM;
    std::optional<double> diameter_arcsec;
    if (const auto radius_km = mean_radius_km(target)) {
        diameter_arcsec = 2.0 * std::asin(std::min(*radius_km / distance_km, 1.0)) * RADIANS_TO_DEGREES * 3600.0;
    }
    return Phenomena{angle_deg(cartesian_au(*sun_place), cartesian_au(*body_place)), phase,
                     (1.0 + std::cos(phase * DEGREES_TO_RADIANS)) / 2.0, diameter_arcsec, seen->distance_au};
}

}  // namespace orbyx
