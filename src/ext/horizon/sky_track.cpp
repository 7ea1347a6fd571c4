#include "ext/horizon/sky_track.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/observer.hpp"
#include "core/of_date_rotation.hpp"
#include "ext/time/earth_orientation.hpp"
#include "spk/apparent_formulas.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// Sixteen days hold the Moon's geocentric path to well under a milliarcsecond with
// 17 nodes, the nutation in GAST (shortest sizeable period 13.7 days) with 10, and
// the Earth's velocity to a percent with 5.
constexpr double WINDOW_DAYS = 16.0;
// The Earth rotation angle's rate; the angle itself is linear in UT1.
constexpr double EARTH_TURNS_PER_UT1_DAY = 1.00273781191135448;
constexpr double PER_DAY = 2.0 / WINDOW_DAYS;  // ds/dt
constexpr double LIGHT_DAYS_PER_KM = 1.0 / (SPEED_OF_LIGHT_KM_PER_S * SECONDS_PER_DAY);

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vector3 cartesian_km(const Position& position) {
    const double longitude = position.longitude_deg * DEGREES_TO_RADIANS;
    const double latitude = position.latitude_deg * DEGREES_TO_RADIANS;
    const double r = position.distance_au * ASTRONOMICAL_UNIT_KM;
    return {r * std::cos(latitude) * std::cos(longitude), r * std::cos(latitude) * std::sin(longitude),
            r * std::sin(latitude)};
}

template <std::size_t N>
double node_day(double start, std::size_t j) {
    return start + 0.5 * WINDOW_DAYS * (1.0 + Chebyshev<N>::node(j));
}

// The bodies' positions at the instants in one batch through the engine, instant by
// instant.
Result<std::vector<Vector3>, EphemerisError> positions_km(SpkEphemeris& engine, std::span<const Body> bodies,
                                                          const std::vector<Instant>& instants,
                                                          const PositionOptions& options) {
    const auto batch = engine.check_positions(bodies, instants, options);
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

template <std::size_t N>
std::array<std::array<double, 3>, N> transposed(const std::array<std::array<double, N>, 3>& axes) {
    std::array<std::array<double, 3>, N> rows;
    for (std::size_t k = 0; k < N; ++k) rows[k] = {axes[0][k], axes[1][k], axes[2][k]};
    return rows;
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

bool deflects(Body body) { return body != Body::Sun && body != Body::Moon; }

}  // namespace

Result<SkyTrack, EphemerisError> SkyTrack::build(SpkEphemeris& engine, Body body,
                                                 const GeodeticObserver& observer,
                                                 double first_ut1_julian_day,
                                                 double last_ut1_julian_day) {
    const auto window_count = static_cast<std::size_t>(
        std::max(1.0, std::ceil((last_ut1_julian_day - first_ut1_julian_day) / WINDOW_DAYS)));
    const auto window_start = [&](std::size_t w) {
        return first_ut1_julian_day + static_cast<double>(w) * WINDOW_DAYS;
    };
    std::vector<Instant> place_nodes, velocity_nodes;
    place_nodes.reserve(window_count * PLACE_NODES);
    velocity_nodes.reserve(window_count * VELOCITY_NODES);
    for (std::size_t w = 0; w < window_count; ++w) {
        for (std::size_t j = 0; j < PLACE_NODES; ++j) {
            place_nodes.push_back({node_day<PLACE_NODES>(window_start(w), j), TimeScale::Ut1});
        }
        for (std::size_t j = 0; j < VELOCITY_NODES; ++j) {
            velocity_nodes.push_back({node_day<VELOCITY_NODES>(window_start(w), j), TimeScale::Ut1});
        }
    }
    // The apparent place but for the Sun's deflection, which grows too sharply near
    // conjunction to interpolate: it is added at each evaluation, from the Sun's place.
    // The Moon, near the Earth as the Sun sees it, is bent by less than a microarcsecond.
    PositionOptions apparent{{OriginKind::Geocentric, {}}, CoordinateSystem::Equatorial,
                             ReferenceEpoch::OfDate};
    apparent.corrections = {.light_time = true, .aberration = true, .precession = true, .nutation = true};
    const bool deflected = body != Body::Sun && body != Body::Moon;
    const Body bodies[] = {body, Body::Sun};
    const auto places = positions_km(engine, std::span(bodies, deflected ? 2 : 1), place_nodes, apparent);
    if (!places) return failure(places.error());
    // The Earth's velocity is needed to a percent: in the kernel's axes, turned by the
    // window's mean precession.
    const PositionOptions barycentric{{OriginKind::Barycentric, {}}, CoordinateSystem::Equatorial,
                                      ReferenceEpoch::J2000};
    const Body earth_body[] = {Body::Earth};
    const auto earth = positions_km(engine, earth_body, velocity_nodes, barycentric);
    if (!earth) return failure(earth.error());

    SkyTrack track(first_ut1_julian_day, body);
    track.windows_.reserve(window_count);
    for (std::size_t w = 0; w < window_count; ++w) {
        Window window;
        window.start_ut1 = window_start(w);
        window.rotation_at_start_rad = earth_rotation_angle(window.start_ut1);
        const auto velocity = earth_velocity_over_c(*earth, w * VELOCITY_NODES, window.start_ut1);
        if (!velocity) return failure(velocity.error());
        const std::size_t stride = deflected ? 2 : 1;
        const auto place = fitted_place(*places, w * PLACE_NODES * stride, stride, *velocity);
        const auto sun = deflected ? fitted<PLACE_NODES>(*places, w * PLACE_NODES * stride + 1, stride)
                                   : std::array<Chebyshev<PLACE_NODES>::Coefficients, 3>{};
        const auto offset = sidereal_offset(engine, window.start_ut1);
        if (!offset) return failure(offset.error());
        const auto site = site_of_date(engine, observer, window.start_ut1 + 0.5 * WINDOW_DAYS);
        if (!site) return failure(site.error());

        window.place = {};
        window.slow = {};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const auto rate = Chebyshev<PLACE_NODES>::derivative(place[axis]);
            for (std::size_t k = 0; k < PLACE_NODES; ++k) window.place[k][X + axis] = place[axis][k];
            for (std::size_t k = 0; k < SLOW_TERMS; ++k) {
                window.slow[k][RATE_X + axis] = rate[k] * PER_DAY;
                window.slow[k][SUN_X + axis] = sun[axis][k];
            }
        }
        for (std::size_t k = 0; k < SIDEREAL_NODES; ++k) window.place[k][SIDEREAL_OFFSET] = (*offset)[k];
        window.site = *site;
        track.windows_.push_back(window);
    }
    return track;
}

// The Earth's barycentric velocity over c at a window's place nodes, in the true
// equator of date to a few arcseconds (precession at mid-window).
Result<std::array<Vector3, SkyTrack::PLACE_NODES>, EphemerisError> SkyTrack::earth_velocity_over_c(
    const std::vector<Vector3>& positions, std::size_t first, double start_ut1) {
    using Fit = Chebyshev<VELOCITY_NODES>;
    const auto series = fitted<VELOCITY_NODES>(positions, first);
    const std::array<std::array<double, 3>, VELOCITY_NODES> rates = transposed<VELOCITY_NODES>(
        {Fit::derivative(series[0]), Fit::derivative(series[1]), Fit::derivative(series[2])});
    const OfDateRotation precession(false, true, start_ut1 + 0.5 * WINDOW_DAYS);
    constexpr double PER_C = PER_DAY / (SECONDS_PER_DAY * SPEED_OF_LIGHT_KM_PER_S);
    std::array<Vector3, PLACE_NODES> velocities;
    for (std::size_t j = 0; j < PLACE_NODES; ++j) {
        const auto rate = Fit::evaluate(rates, Chebyshev<PLACE_NODES>::node(j));
        const auto of_date = precession.apply({{0.0, 0.0, 0.0}, rate});
        if (!of_date) return failure(EphemerisError::invalid_request(message(of_date.error())));
        velocities[j] = {of_date->velocity[0] * PER_C, of_date->velocity[1] * PER_C,
                         of_date->velocity[2] * PER_C};
    }
    return velocities;
}

// The apparent direction is that of P + |P| v/c, P the deflected astrometric vector
// and v the Earth's velocity: the place is scaled to that length before fitting.
std::array<Chebyshev<SkyTrack::PLACE_NODES>::Coefficients, 3> SkyTrack::fitted_place(
    const std::vector<Vector3>& places, std::size_t first, std::size_t stride,
    const std::array<Vector3, PLACE_NODES>& earth_velocity_over_c) {
    std::vector<Vector3> scaled(PLACE_NODES);
    for (std::size_t j = 0; j < PLACE_NODES; ++j) {
        const Vector3& place = places[first + j * stride];
        const double factor = 1.0 + dot(place, earth_velocity_over_c[j]) / std::sqrt(dot(place, place));
        scaled[j] = {place[0] * factor, place[1] * factor, place[2] * factor};
    }
    return fitted<PLACE_NODES>(scaled, 0);
}

// GAST less the Earth rotation angle across a window; the nutation series for two
// nodes at a time.
Result<Chebyshev<SkyTrack::SIDEREAL_NODES>::Coefficients, EphemerisError> SkyTrack::sidereal_offset(
    const SpkEphemeris& engine, double start_ut1) {
    std::array<EarthRotationEpochs, SIDEREAL_NODES> epochs;
    for (std::size_t j = 0; j < SIDEREAL_NODES; ++j) {
        const auto node = engine.earth_rotation_epochs({node_day<SIDEREAL_NODES>(start_ut1, j), TimeScale::Ut1});
        if (!node) return failure(node.error());
        epochs[j] = *node;
    }
    std::array<double, SIDEREAL_NODES> offsets;
    for (std::size_t j = 0; j < SIDEREAL_NODES; ++j) {
        if (j % 2 == 0 && j + 1 < SIDEREAL_NODES) {
            prepare_nutations_iau2000b(epochs[j].tt_julian_day, epochs[j + 1].tt_julian_day);
        }
        offsets[j] = wrapped_to_half_turn_rad(
            greenwich_apparent_sidereal_time(epochs[j].ut1_julian_day, epochs[j].tt_julian_day) -
            earth_rotation_angle(epochs[j].ut1_julian_day));
    }
    return Chebyshev<SIDEREAL_NODES>::through(offsets);
}

// The site in the terrestrial intermediate frame: the pole drifts a few
// milliarcseconds a day, so its value at one instant serves a window.
Result<SkyTrack::Site, EphemerisError> SkyTrack::site_of_date(const SpkEphemeris& engine,
                                                              const GeodeticObserver& observer,
                                                              double ut1_julian_day) {
    const auto orientation = earth_orientation(engine, {ut1_julian_day, TimeScale::Ut1});
    if (!orientation) return failure(orientation.error());
    const double xp = orientation->xp_arcsec * ARCSECONDS_TO_RADIANS;
    const double yp = orientation->yp_arcsec * ARCSECONDS_TO_RADIANS;
    const double sprime = tio_locator_rad(orientation->tt_julian_day);
    const auto terrestrial = [&](const Vector3& itrs) { return remove_polar_motion(itrs, xp, yp, sprime); };

    const double longitude = observer.longitude_east_deg * DEGREES_TO_RADIANS;
    const double latitude = observer.latitude_deg * DEGREES_TO_RADIANS;
    const double sin_lon = std::sin(longitude), cos_lon = std::cos(longitude);
    const double sin_lat = std::sin(latitude), cos_lat = std::cos(latitude);
    Site site;
    site.position_km = terrestrial(terrestrial_position_km(longitude, latitude, observer.height_m));
    const double spin = EARTH_ROTATION_RATE_RAD_PER_S / SPEED_OF_LIGHT_KM_PER_S;
    site.velocity_over_c = {-spin * site.position_km[1], spin * site.position_km[0], 0.0};
    site.up = terrestrial({cos_lat * cos_lon, cos_lat * sin_lon, sin_lat});
    site.east = terrestrial({-sin_lon, cos_lon, 0.0});
    site.meridian = terrestrial({cos_lon, sin_lon, 0.0});
    return site;
}

SiteDirection SkyTrack::at(double ut1_julian_day) const {
    const double offset = (ut1_julian_day - first_ut1_) / WINDOW_DAYS;
    const auto index = static_cast<std::size_t>(
        std::clamp(std::floor(offset), 0.0, static_cast<double>(windows_.size() - 1)));
    const Window& window = windows_[index];
    const double s = 2.0 * (ut1_julian_day - window.start_ut1) / WINDOW_DAYS - 1.0;

    const auto value = Chebyshev<PLACE_NODES>::evaluate(window.place, s);
    Vector3 place{value[X], value[Y], value[Z]};
    const auto slow = Chebyshev<SLOW_TERMS>::evaluate(window.slow, s);
    if (deflects(body_)) place = deflected_by_the_sun(place, {slow[SUN_X], slow[SUN_Y], slow[SUN_Z]});
    const double gast = window.rotation_at_start_rad +
                        EARTH_TURNS_PER_UT1_DAY * TWO_PI * (ut1_julian_day - window.start_ut1) +
                        value[SIDEREAL_OFFSET];
    const double sin_gast = std::sin(gast), cos_gast = std::cos(gast);
    const Vector3 geocentric = rotate_about_z(place, sin_gast, cos_gast);
    const Vector3 rate = rotate_about_z({slow[RATE_X], slow[RATE_Y], slow[RATE_Z]}, sin_gast, cos_gast);

    const Site& site = window.site;
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
    // The body's own motion plus the Earth's turning under it, across the line of sight.
    constexpr double SPIN = EARTH_TURNS_PER_UT1_DAY * TWO_PI;
    Vector3 motion{rate[0] + SPIN * geocentric[1], rate[1] - SPIN * geocentric[0], rate[2]};
    const double along = dot(motion, u);
    for (std::size_t axis = 0; axis < 3; ++axis) motion[axis] = (motion[axis] - along * u[axis]) * inverse;
    return {dot(u, site.up),         dot(u, site.east),         dot(u, site.meridian),
            dot(motion, site.up),    dot(motion, site.east),    dot(motion, site.meridian),
            length};
}

}  // namespace orbyx
