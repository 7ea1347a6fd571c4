#include "ext/sky/horizontal_place.hpp"

#include <algorithm>
#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/planar_rotation.hpp"
#include "ext/time/earth_orientation.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

PositionOptions apparent_equatorial_of_date(const GeodeticObserver& observer) {
    PositionOptions options{{OriginKind::Topocentric, observer}, CoordinateSystem::Equatorial,
                            ReferenceEpoch::OfDate};
    options.apparent = true;
    return options;
}

Vector3 unit_vector(double longitude_rad, double latitude_rad) {
    return {std::cos(latitude_rad) * std::cos(longitude_rad),
            std::cos(latitude_rad) * std::sin(longitude_rad), std::sin(latitude_rad)};
}

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// True equator and equinox of date to the terrestrial frame (ITRS): the Earth's
// rotation by GAST, then polar motion undone, W^T = R1(-yp) R2(-xp) R3(s').
Vector3 terrestrial_direction(const Vector3& of_date, const EarthOrientation& orientation,
                              double gast_rad) {
    const Vector3 intermediate = rotate_about_z(of_date, std::sin(gast_rad), std::cos(gast_rad));
    const double sprime = tio_locator_rad(orientation.tt_julian_day);
    const double xp = orientation.xp_arcsec * ARCSECONDS_TO_RADIANS;
    const double yp = orientation.yp_arcsec * ARCSECONDS_TO_RADIANS;
    const Vector3 turned = rotate_about_z(intermediate, std::sin(sprime), std::cos(sprime));
    const Vector3 tilted = rotate_about_y(turned, -std::sin(xp), std::cos(xp));
    return rotate_about_x(tilted, -std::sin(yp), std::cos(yp));
}

}  // namespace

Result<HorizontalPlace, EphemerisError> horizontal_place(SpkEphemeris& engine, Body body,
                                                         const GeodeticObserver& observer,
                                                         const Instant& instant) {
    const auto position = engine.position(body, instant, apparent_equatorial_of_date(observer));
    if (!position) return failure(position.error());
    const auto orientation = earth_orientation(engine, instant);
    if (!orientation) return failure(orientation.error());

    const double right_ascension = position->longitude_deg * DEGREES_TO_RADIANS;
    const double declination = position->latitude_deg * DEGREES_TO_RADIANS;
    const double gast =
        greenwich_apparent_sidereal_time(orientation->ut1_julian_day, orientation->tt_julian_day);
    const Vector3 direction =
        terrestrial_direction(unit_vector(right_ascension, declination), *orientation, gast);

    const double longitude = observer.longitude_east_deg * DEGREES_TO_RADIANS;
    const double latitude = observer.latitude_deg * DEGREES_TO_RADIANS;
    const double sin_lon = std::sin(longitude), cos_lon = std::cos(longitude);
    const double sin_lat = std::sin(latitude), cos_lat = std::cos(latitude);
    const Vector3 east{-sin_lon, cos_lon, 0.0};
    const Vector3 north{-sin_lat * cos_lon, -sin_lat * sin_lon, cos_lat};
    const Vector3 up{cos_lat * cos_lon, cos_lat * sin_lon, sin_lat};
    const Vector3 meridian{cos_lon, sin_lon, 0.0};

    const double altitude = std::asin(std::clamp(dot(direction, up), -1.0, 1.0));
    const double azimuth = std::atan2(dot(direction, east), dot(direction, north));
    // West of the meridian is positive; the pole's own axis holds the declination.
    double hour_angle = std::atan2(-dot(direction, east), dot(direction, meridian));
    if (hour_angle <= -PI) hour_angle = PI;
    return HorizontalPlace{altitude * RADIANS_TO_DEGREES,
                           reduced_to_circle_deg(azimuth * RADIANS_TO_DEGREES),
                           hour_angle * RADIANS_TO_DEGREES,
                           position->latitude_deg,
                           position->longitude_deg,
                           reduced_to_circle_deg((gast + longitude) * RADIANS_TO_DEGREES),
                           position->distance_au,
                           orientation->source};
}

}  // namespace orbyx
