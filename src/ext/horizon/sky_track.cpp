#include "ext/horizon/sky_track.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/observer.hpp"
#include "core/of_date_rotation.hpp"
#include "ext/bodies/line_of_sight.hpp"
#include "ext/bodies/named_bodies.hpp"
#include "ext/time/earth_orientation.hpp"
#include "spk/apparent_formulas.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// The track's 17 nodes a window hold the Moon's geocentric path over 16 days, the
// Sun's and the planets' over 32, to well under a milliarcsecond, and the nutation
// in GAST (sizeable periods down to 9.1 days) to a milliarcsecond over either.
constexpr double MOON_WINDOW_DAYS = 16.0;
constexpr double WINDOW_DAYS = 32.0;
// Another planet's satellite swings about it once an orbit, Phobos's in under eight hours.
constexpr double SATELLITE_WINDOW_DAYS = 0.5;
// A body passing close to the Earth, or bound to it, turns its direction over D / v
// (line_of_sight_days): across a pass it follows an arctangent of time, which 17
// nodes over that long hold to a ten-billionth of a radian, and an orbit about the
// Earth, 2 pi D / v long, is smoother still.
constexpr double WINDOW_PER_LINE_OF_SIGHT = 1.0;
// The Earth rotation angle's rate; the angle itself is linear in UT1.
constexpr double EARTH_TURNS_PER_UT1_DAY = 1.00273781191135448;
constexpr double LIGHT_DAYS_PER_KM = 1.0 / (SPEED_OF_LIGHT_KM_PER_S * SECONDS_PER_DAY);

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vector3 cartesian_km(const Position& position) {
    const double longitude = position.longitude_deg * DEGREES_TO_RADIANS;
    const double latitude = position.latitude_deg * DEGREES_TO_RADIANS;
    const double r = position.distance_au * ASTRONOMICAL_UNIT_KM;
    return {r * std::cos(latitude) * std::cos(longitude), r * std::cos(latitude) * std::sin(longitude),
            r * std::sin(latitude)};
}

// The bodies' positions at the instants in one batch through the engine, instant by
// instant.
Result<std::vector<Vector3>, EphemerisError> positions_km(SpkEphemeris& engine,
                                                          std::span<const std::int32_t> targets,
                                                          const std::vector<Instant>& instants,
                                                          const PositionOptions& options) {
    const auto batch = engine.check_naif_positions(targets, instants, options);
    if (!batch) return failure(batch.error());
    std::vector<Position> values(batch->entry_count);
    const std::span<double> out(reinterpret_cast<double*>(values.data()), batch->value_count());
    if (auto done = engine.positions(*batch, out); !done) return failure(done.error());
    std::vector<Vector3> vectors(values.size());
    std::transform(values.begin(), values.end(), vectors.begin(), cartesian_km);
    return vectors;
}

// Each axis's coefficients, from the N vectors at the nodes: `first`, then every `stride`.
template <std::size_t N>
std::array<typename Chebyshev<N>::Coefficients, 3> fitted(const std::vector<Vector3>& values,
                                                          std::size_t first, std::size_t stride = 1) {
    std::array<typename Chebyshev<N>::Coefficients, 3> series;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        std::array<double, N> at_nodes;
        for (std::size_t j = 0; j < N; ++j) at_nodes[j] = values[first + j * stride][axis];
        series[axis] = Chebyshev<N>::through(at_nodes);
    }
    return series;
}

// `place` bent by the Sun's gravity, for the Sun at `sun` (both geocentric, km, and
// both aberrated alike, which leaves the angle between them as it was).
Vector3 deflected_by_the_sun(const Vector3& place, const Vector3& sun) {
    const double distance = std::sqrt(dot(place, place));
    const double sun_distance = std::sqrt(dot(sun, sun));
    const Vector3 p{place[0] / distance, place[1] / distance, place[2] / distance};
    const Vector3 e{-sun[0] / sun_distance, -sun[1] / sun_distance, -sun[2] / sun_distance};
    const Vector3 from_sun{place[0] - sun[0], place[1] - sun[1], place[2] - sun[2]};
    const double from_sun_length = std::sqrt(dot(from_sun, from_sun));
    const Vector3 q{from_sun[0] / from_sun_length, from_sun[1] / from_sun_length, from_sun[2] / from_sun_length};
    const double w = 1.0 + dot(q, e);
    if (w < apparent_detail::BEHIND_THE_SUN) return place;
    const double f = apparent_detail::SUN_SCHWARZSCHILD_RADIUS_KM / sun_distance / w;
    const double qp = dot(q, p), pe = dot(p, e);
    const Vector3 bent{p[0] + f * (e[0] * qp - q[0] * pe), p[1] + f * (e[1] * qp - q[1] * pe),
                       p[2] + f * (e[2] * qp - q[2] * pe)};
    const double scale = distance / std::sqrt(dot(bent, bent));
    return {bent[0] * scale, bent[1] * scale, bent[2] * scale};
}

bool deflects(std::int32_t target) { return target != naif_id(Body::Sun) && target != naif_id(Body::Moon); }

// UT1 days stand for TT days here: a minute does not change a window's length.
Result<double, EphemerisError> window_days(SpkEphemeris& engine, std::int32_t target, double first_day,
                                           double last_day) {
    if (target == naif_id(Body::Moon)) return MOON_WINDOW_DAYS;
    if (body_of_naif_id(target) || (target >= 1 && target <= 9)) return WINDOW_DAYS;
    const double longest = is_naif_satellite(target) ? SATELLITE_WINDOW_DAYS : WINDOW_DAYS;
    const auto shortest = shortest_line_of_sight_days(engine, target, first_day, last_day);
    if (!shortest) return failure(shortest.error());
    return std::min(longest, *shortest * WINDOW_PER_LINE_OF_SIGHT);
}

// From the terrestrial intermediate frame to the ITRS, W^T = R1(-yp) R2(-xp) R3(s'),
// to first order in the pole's offsets (a few 1e-6 rad); s', tens of microarcseconds,
// is left out.
Vector3 terrestrial(const Vector3& v, double xp, double yp) {
    return {v[0] + xp * v[2], v[1] - yp * v[2], v[2] - xp * v[0] + yp * v[1]};
}

}  // namespace

Result<SkyTrack, EphemerisError> SkyTrack::build(SpkEphemeris& engine, std::int32_t target,
                                                 const GeodeticObserver& observer,
                                                 double first_ut1_julian_day,
                                                 double last_ut1_julian_day) {
    const auto window = window_days(engine, target, first_ut1_julian_day, last_ut1_julian_day);
    if (!window) return failure(window.error());
    SkyTrack track(first_ut1_julian_day, *window, target);
    const auto window_count = static_cast<std::size_t>(
        std::max(1.0, std::ceil((last_ut1_julian_day - first_ut1_julian_day) / track.window_days_)));
    // The nodes' Earth orientation first: their TT days then spare the batch the
    // tables' conversion from UT1.
    std::vector<EarthOrientation> orientations;
    std::vector<Instant> nodes;
    orientations.reserve(window_count * NODES);
    nodes.reserve(window_count * NODES);
    for (std::size_t w = 0; w < window_count; ++w) {
        for (std::size_t j = 0; j < NODES; ++j) {
            const auto node = earth_orientation(engine, {track.node_day(w, j), TimeScale::Ut1});
            if (!node) return failure(node.error());
            orientations.push_back(*node);
            nodes.push_back({node->tt_julian_day, TimeScale::Tt});
        }
    }
    // The apparent place but for the Sun's deflection, which grows too sharply near
    // conjunction to interpolate: it is added at each evaluation, from the Sun's place,
    // whose motion also gives the Earth's velocity. In the kernel's axes: each node's
    // nutation, needed for its sidereal time anyway, turns them to the date.
    PositionOptions apparent{{OriginKind::Geocentric, {}}, CoordinateSystem::Equatorial,
                             ReferenceEpoch::J2000};
    apparent.corrections = {.light_time = true, .aberration = true};
    const std::int32_t targets[] = {target, naif_id(Body::Sun)};
    const std::size_t stride = target == naif_id(Body::Sun) ? 1 : 2;
    auto places = positions_km(engine, std::span(targets, stride), nodes, apparent);
    if (!places) return failure(places.error());

    track.site_ = site_vectors(observer);
    const double per_day = 2.0 / track.window_days_;  // ds/dt
    track.windows_.reserve(window_count);
    for (std::size_t w = 0; w < window_count; ++w) {
        Window window;
        window.start_ut1 = first_ut1_julian_day + static_cast<double>(w) * track.window_days_;
        window.rotation_at_start_rad = earth_rotation_angle(window.start_ut1);
        const auto orientation = orientation_and_places_of_date(orientations, w * NODES, *places, stride);
        if (!orientation) return failure(orientation.error());
        const auto sun = fitted<NODES>(*places, w * NODES * stride + stride - 1, stride);
        const auto place = fitted_place(*places, w * NODES * stride, stride, sun, per_day);

        window.place = {};
        window.slow = {};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const auto rate = Chebyshev<NODES>::derivative(place[axis]);
            for (std::size_t k = 0; k < NODES; ++k) window.place[k][X + axis] = place[axis][k];
            for (std::size_t k = 0; k < SLOW_TERMS; ++k) {
                window.slow[k][RATE_X + axis] = rate[k] * per_day;
                window.slow[k][SUN_X + axis] = sun[axis][k];
            }
        }
        for (std::size_t k = 0; k < NODES; ++k) {
            for (std::size_t lane = 0; lane < 3; ++lane) {
                window.place[k][SIDEREAL_OFFSET + lane] = (*orientation)[lane][k];
            }
        }
        track.windows_.push_back(window);
    }
    return track;
}

double SkyTrack::node_day(std::size_t window, std::size_t node) const {
    const double start = first_ut1_ + static_cast<double>(window) * window_days_;
    return start + 0.5 * window_days_ * (1.0 + Chebyshev<NODES>::node(node));
}

// The apparent direction is that of P + |P| v/c, P the astrometric vector and v the
// Earth's velocity, which the Sun's apparent motion gives to a part in a thousand:
// the place is scaled to that length before fitting.
std::array<Chebyshev<SkyTrack::NODES>::Coefficients, 3> SkyTrack::fitted_place(
    const std::vector<Vector3>& places, std::size_t first, std::size_t stride,
    const std::array<Chebyshev<NODES>::Coefficients, 3>& sun, double per_day) {
    std::array<Vector3, NODES> sun_rate;  // row k: each axis's c_k
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const auto rate = Chebyshev<NODES>::derivative(sun[axis]);
        for (std::size_t k = 0; k < NODES; ++k) sun_rate[k][axis] = rate[k];
    }
    const double per_c = -per_day / (SECONDS_PER_DAY * SPEED_OF_LIGHT_KM_PER_S);
    std::vector<Vector3> scaled(NODES);
    for (std::size_t j = 0; j < NODES; ++j) {
        const Vector3 earth_rate = Chebyshev<NODES>::evaluate(sun_rate, Chebyshev<NODES>::node(j));
        const Vector3 beta{earth_rate[0] * per_c, earth_rate[1] * per_c, earth_rate[2] * per_c};
        const Vector3& place = places[first + j * stride];
        const double factor = 1.0 + dot(place, beta) / std::sqrt(dot(place, place));
        scaled[j] = {place[0] * factor, place[1] * factor, place[2] * factor};
    }
    return fitted<NODES>(scaled, 0);
}

// GAST less the Earth rotation angle, and the pole's offsets (radians), at a
// window's nodes, whose places (`stride` bodies a node) it turns from the kernel's
// axes to the true equator and equinox of date; the nutation series for two nodes
// at a time.
Result<std::array<Chebyshev<SkyTrack::NODES>::Coefficients, 3>, EphemerisError>
SkyTrack::orientation_and_places_of_date(
    const std::vector<EarthOrientation>& orientations, std::size_t first, std::vector<Vector3>& places,
    std::size_t stride) {
    std::array<double, NODES> sidereal_offsets, xp, yp;
    for (std::size_t j = 0; j < NODES; ++j) {
        const EarthOrientation& node = orientations[first + j];
        if (j % 2 == 0 && j + 1 < NODES) {
            prepare_nutations_iau2000b(node.tt_julian_day, orientations[first + j + 1].tt_julian_day);
        }
        const Nutation nutation = nutation_iau2000b(node.tt_julian_day);
        sidereal_offsets[j] = wrapped_to_half_turn_rad(
            greenwich_apparent_sidereal_time(node.ut1_julian_day, node.tt_julian_day, nutation) -
            earth_rotation_angle(node.ut1_julian_day));
        xp[j] = node.xp_arcsec * ARCSECONDS_TO_RADIANS;
        yp[j] = node.yp_arcsec * ARCSECONDS_TO_RADIANS;
        // At TT rather than the places' TDB: 2 ms apart, precession moves by 3e-9 arcsec.
        const OfDateRotation to_date(nutation, true, node.tt_julian_day);
        for (std::size_t b = 0; b < stride; ++b) {
            Vector3& place = places[(first + j) * stride + b];
            const auto turned = to_date.apply({place, {0.0, 0.0, 0.0}});
            if (!turned) return failure(EphemerisError::invalid_request(message(turned.error())));
            place = turned->position;
        }
    }
    return std::array<Chebyshev<NODES>::Coefficients, 3>{Chebyshev<NODES>::through(sidereal_offsets),
                                                           Chebyshev<NODES>::through(xp),
                                                           Chebyshev<NODES>::through(yp)};
}

SkyTrack::Site SkyTrack::site_vectors(const GeodeticObserver& observer) {
    const double longitude = observer.longitude_east_deg * DEGREES_TO_RADIANS;
    const double latitude = observer.latitude_deg * DEGREES_TO_RADIANS;
    const double sin_lon = std::sin(longitude), cos_lon = std::cos(longitude);
    const double sin_lat = std::sin(latitude), cos_lat = std::cos(latitude);
    Site site;
    site.position_km = terrestrial_position_km(longitude, latitude, observer.height_m);
    const double spin = EARTH_ROTATION_RATE_RAD_PER_S / SPEED_OF_LIGHT_KM_PER_S;
    site.velocity_over_c = {-spin * site.position_km[1], spin * site.position_km[0], 0.0};
    site.up = {cos_lat * cos_lon, cos_lat * sin_lon, sin_lat};
    site.east = {-sin_lon, cos_lon, 0.0};
    site.meridian = {cos_lon, sin_lon, 0.0};
    return site;
}

SiteDirection SkyTrack::at(double ut1_julian_day) const {
    const double offset = (ut1_julian_day - first_ut1_) / window_days_;
    const auto index = static_cast<std::size_t>(
        std::clamp(std::floor(offset), 0.0, static_cast<double>(windows_.size() - 1)));
    const Window& window = windows_[index];
    const double s = 2.0 * (ut1_julian_day - window.start_ut1) / window_days_ - 1.0;

    const auto value = Chebyshev<NODES>::evaluate(window.place, s);
    Vector3 place{value[X], value[Y], value[Z]};
    const auto slow = Chebyshev<SLOW_TERMS>::evaluate(window.slow, s);
    if (deflects(target_)) place = deflected_by_the_sun(place, {slow[SUN_X], slow[SUN_Y], slow[SUN_Z]});
    const double gast = window.rotation_at_start_rad +
                        EARTH_TURNS_PER_UT1_DAY * TWO_PI * (ut1_julian_day - window.start_ut1) +
                        value[SIDEREAL_OFFSET];
    const double sin_gast = std::sin(gast), cos_gast = std::cos(gast);
    const double xp = value[POLE_X], yp = value[POLE_Y];
    const Vector3 geocentric = terrestrial(rotate_about_z(place, sin_gast, cos_gast), xp, yp);
    const Vector3 rate = terrestrial(rotate_about_z({slow[RATE_X], slow[RATE_Y], slow[RATE_Z]}, sin_gast, cos_gast),
                                     xp, yp);

    const Site& site = site_;
    Vector3 p{geocentric[0] - site.position_km[0], geocentric[1] - site.position_km[1],
              geocentric[2] - site.position_km[2]};
    const double distance = std::sqrt(dot(p, p));
    // Light leaves the body earlier or later for the site than for the geocentre.
    const double delay_days = (distance - std::sqrt(dot(geocentric, geocentric))) * LIGHT_DAYS_PER_KM;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        p[axis] += distance * site.velocity_over_c[axis] - delay_days * rate[axis];
    }
    const double length = std::sqrt(dot(p, p));
    const double inverse = 1.0 / length;
    const Vector3 u{p[0] * inverse, p[1] * inverse, p[2] * inverse};
    // The body's own motion plus the Earth's turning under it (about the pole, off
    // the site's z axis by the pole's offset, which changes the rate by a part in 10^6),
    // across the line of sight.
    constexpr double SPIN = EARTH_TURNS_PER_UT1_DAY * TWO_PI;
    Vector3 motion{rate[0] + SPIN * geocentric[1], rate[1] - SPIN * geocentric[0], rate[2]};
    const double along = dot(motion, u);
    for (std::size_t axis = 0; axis < 3; ++axis) motion[axis] = (motion[axis] - along * u[axis]) * inverse;
    return {dot(u, site.up),         dot(u, site.east),         dot(u, site.meridian),
            dot(motion, site.up),    dot(motion, site.east),    dot(motion, site.meridian),
            length};
}

}  // namespace orbyx
