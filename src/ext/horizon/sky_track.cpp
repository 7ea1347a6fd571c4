#include "ext/horizon/sky_track.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/observer.hpp"
#include "ext/time/earth_orientation.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

// Sixteen days hold the Moon's geocentric path to well under a milliarcsecond with
// 17 nodes, and the nutation in GAST (shortest sizeable period 13.7 days) with 9.
constexpr double WINDOW_DAYS = 16.0;
// The Earth rotation angle's rate; the angle itself is linear in UT1.
constexpr double EARTH_TURNS_PER_UT1_DAY = 1.00273781191135448;

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

// The same instants' positions in one batch through the engine.
Result<std::vector<Vector3>, EphemerisError> positions_km(SpkEphemeris& engine, Body body,
                                                          const std::vector<Instant>& instants,
                                                          const PositionOptions& options) {
    const Body bodies[] = {body};
    const auto batch = engine.check_positions(bodies, instants, options);
    if (!batch) return failure(batch.error());
    std::vector<Position> values(batch->entry_count);
    const std::span<double> out(reinterpret_cast<double*>(values.data()), batch->value_count());
    if (auto done = engine.positions(*batch, out); !done) return failure(done.error());
    std::vector<Vector3> vectors(values.size());
    std::transform(values.begin(), values.end(), vectors.begin(), cartesian_km);
    return vectors;
}

// Each axis's coefficients, from the N vectors at the nodes from `first` on.
template <std::size_t N>
std::array<typename Chebyshev<N>::Coefficients, 3> fitted(const std::vector<Vector3>& values,
                                                          std::size_t first) {
    std::array<typename Chebyshev<N>::Coefficients, 3> series;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        std::array<double, N> at_nodes;
        for (std::size_t j = 0; j < N; ++j) at_nodes[j] = values[first + j][axis];
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

}  // namespace

Result<SkyTrack, EphemerisError> SkyTrack::build(SpkEphemeris& engine, Body body,
                                                 const GeodeticObserver& observer,
                                                 double first_ut1_julian_day,
                                                 double last_ut1_julian_day) {
    const auto window_count = static_cast<std::size_t>(
        std::max(1.0, std::ceil((last_ut1_julian_day - first_ut1_julian_day) / WINDOW_DAYS)));
    std::vector<Instant> nodes;
    nodes.reserve(window_count * PLACE_NODES);
    for (std::size_t w = 0; w < window_count; ++w) {
        const double start = first_ut1_julian_day + static_cast<double>(w) * WINDOW_DAYS;
        for (std::size_t j = 0; j < PLACE_NODES; ++j) {
            nodes.push_back({node_day<PLACE_NODES>(start, j), TimeScale::Ut1});
        }
    }
    PositionOptions apparent{{OriginKind::Geocentric, {}}, CoordinateSystem::Equatorial,
                             ReferenceEpoch::OfDate};
    apparent.apparent = true;
    const auto places = positions_km(engine, body, nodes, apparent);
    if (!places) return failure(places.error());
    PositionOptions barycentric{{OriginKind::Barycentric, {}}, CoordinateSystem::Equatorial,
                                ReferenceEpoch::OfDate};
    barycentric.corrections.precession = barycentric.corrections.nutation = true;
    const auto earth = positions_km(engine, Body::Earth, nodes, barycentric);
    if (!earth) return failure(earth.error());

    const Vector3 site_itrs = terrestrial_position_km(observer.longitude_east_deg * DEGREES_TO_RADIANS,
                                                      observer.latitude_deg * DEGREES_TO_RADIANS,
                                                      observer.height_m);
    const double sin_lon = std::sin(observer.longitude_east_deg * DEGREES_TO_RADIANS);
    const double cos_lon = std::cos(observer.longitude_east_deg * DEGREES_TO_RADIANS);
    const double sin_lat = std::sin(observer.latitude_deg * DEGREES_TO_RADIANS);
    const double cos_lat = std::cos(observer.latitude_deg * DEGREES_TO_RADIANS);

    SkyTrack track(first_ut1_julian_day);
    track.windows_.reserve(window_count);
    constexpr double PER_DAY = 2.0 / WINDOW_DAYS;  // ds/dt
    for (std::size_t w = 0; w < window_count; ++w) {
        Window window;
        window.start_ut1 = first_ut1_julian_day + static_cast<double>(w) * WINDOW_DAYS;
        window.rotation_at_start_rad = earth_rotation_angle(window.start_ut1);
        const std::size_t first = w * PLACE_NODES;

        // The apparent direction is that of P + |P| v/c, P the deflected astrometric
        // vector and v the Earth's barycentric velocity: scale it to that length.
        using Place = Chebyshev<PLACE_NODES>;
        const auto earth_series = fitted<PLACE_NODES>(*earth, first);
        const std::array<std::array<double, 3>, PLACE_NODES> earth_rates = transposed<PLACE_NODES>(
            {Place::derivative(earth_series[0]), Place::derivative(earth_series[1]),
             Place::derivative(earth_series[2])});
        std::vector<Vector3> scaled(PLACE_NODES);
        for (std::size_t j = 0; j < PLACE_NODES; ++j) {
            const auto rate = Place::evaluate(earth_rates, Place::node(j));
            const double per_c = PER_DAY / (SECONDS_PER_DAY * SPEED_OF_LIGHT_KM_PER_S);
            const Vector3 beta{rate[0] * per_c, rate[1] * per_c, rate[2] * per_c};
            const Vector3& place = (*places)[first + j];
            const double factor = 1.0 + dot(place, beta) / std::sqrt(dot(place, place));
            scaled[j] = {place[0] * factor, place[1] * factor, place[2] * factor};
        }
        const auto place_series = fitted<PLACE_NODES>(scaled, 0);

        std::array<double, SIDEREAL_NODES> offsets;
        for (std::size_t j = 0; j < SIDEREAL_NODES; ++j) {
            const auto epochs =
                engine.earth_rotation_epochs({node_day<SIDEREAL_NODES>(window.start_ut1, j), TimeScale::Ut1});
            if (!epochs) return failure(epochs.error());
            offsets[j] = wrapped_to_half_turn_rad(
                greenwich_apparent_sidereal_time(epochs->ut1_julian_day, epochs->tt_julian_day) -
                earth_rotation_angle(epochs->ut1_julian_day));
        }
        const auto sidereal_series = Chebyshev<SIDEREAL_NODES>::through(offsets);

        const std::array<Place::Coefficients, 3> place_rates = {Place::derivative(place_series[0]),
                                                                 Place::derivative(place_series[1]),
                                                                 Place::derivative(place_series[2])};
        window.series = {};
        for (std::size_t k = 0; k < PLACE_NODES; ++k) {
            for (std::size_t axis = 0; axis < 3; ++axis) {
                window.series[k][X + axis] = place_series[axis][k];
                window.series[k][RATE_X + axis] = place_rates[axis][k] * PER_DAY;
            }
            if (k < SIDEREAL_NODES) window.series[k][SIDEREAL_OFFSET] = sidereal_series[k];
        }

        // The pole drifts a few milliarcseconds a day: its value mid-window will do.
        const auto orientation =
            earth_orientation(engine, {window.start_ut1 + 0.5 * WINDOW_DAYS, TimeScale::Ut1});
        if (!orientation) return failure(orientation.error());
        const double xp = orientation->xp_arcsec * ARCSECONDS_TO_RADIANS;
        const double yp = orientation->yp_arcsec * ARCSECONDS_TO_RADIANS;
        const double sprime = tio_locator_rad(orientation->tt_julian_day);
        const auto terrestrial = [&](const Vector3& itrs) { return remove_polar_motion(itrs, xp, yp, sprime); };
        Site& site = window.site;
        site.position_km = terrestrial(site_itrs);
        const double spin = EARTH_ROTATION_RATE_RAD_PER_S / SPEED_OF_LIGHT_KM_PER_S;
        site.velocity_over_c = {-spin * site.position_km[1], spin * site.position_km[0], 0.0};
        site.up = terrestrial({cos_lat * cos_lon, cos_lat * sin_lon, sin_lat});
        site.east = terrestrial({-sin_lon, cos_lon, 0.0});
        site.meridian = terrestrial({cos_lon, sin_lon, 0.0});
        track.windows_.push_back(window);
    }
    return track;
}

SiteDirection SkyTrack::at(double ut1_julian_day) const {
    const double offset = (ut1_julian_day - first_ut1_) / WINDOW_DAYS;
    const auto index = static_cast<std::size_t>(
        std::clamp(std::floor(offset), 0.0, static_cast<double>(windows_.size() - 1)));
    const Window& window = windows_[index];
    const double s = 2.0 * (ut1_julian_day - window.start_ut1) / WINDOW_DAYS - 1.0;

    const auto value = Chebyshev<PLACE_NODES>::evaluate(window.series, s);
    const double gast = window.rotation_at_start_rad +
                        EARTH_TURNS_PER_UT1_DAY * TWO_PI * (ut1_julian_day - window.start_ut1) +
                        value[SIDEREAL_OFFSET];
    const double sin_gast = std::sin(gast), cos_gast = std::cos(gast);
    const Vector3 geocentric = rotate_about_z({value[X], value[Y], value[Z]}, sin_gast, cos_gast);
    const Vector3 rate = rotate_about_z({value[RATE_X], value[RATE_Y], value[RATE_Z]}, sin_gast, cos_gast);

    const Site& site = window.site;
    Vector3 p{geocentric[0] - site.position_km[0], geocentric[1] - site.position_km[1],
              geocentric[2] - site.position_km[2]};
    const double distance = std::sqrt(dot(p, p));
    // Light leaves the body earlier or later for the site than for the geocentre.
    const double delay_days =
        (distance - std::sqrt(dot(geocentric, geocentric))) / SPEED_OF_LIGHT_KM_PER_S / SECONDS_PER_DAY;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        p[axis] += distance * site.velocity_over_c[axis] - delay_days * rate[axis];
    }
    const double length = std::sqrt(dot(p, p));
    const Vector3 u{p[0] / length, p[1] / length, p[2] / length};
    return {dot(u, site.up), dot(u, site.east), dot(u, site.meridian), length};
}

}  // namespace orbyx
