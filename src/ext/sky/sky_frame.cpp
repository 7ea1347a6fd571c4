#include "ext/sky/sky_frame.hpp"

#include <algorithm>
#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"

namespace orbyx {
namespace {

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The frame of date reaches the terrestrial frame (ITRS) by the Earth's rotation and
// then polar motion undone: v_ITRS = W^T R3(GAST) v, with W = R3(-s') R2(xp) R1(yp).
// A terrestrial direction d comes back as R3(-GAST) W d, so that d . v_ITRS is a dot
// product in the frame of date and each body needs no rotation of its own.
struct TerrestrialToOfDate {
    double sin_gast, cos_gast, sin_sprime, cos_sprime, sin_xp, cos_xp, sin_yp, cos_yp;

    Vector3 operator()(const Vector3& terrestrial) const {
        const Vector3 about_x = rotate_about_x(terrestrial, sin_yp, cos_yp);
        const Vector3 about_y = rotate_about_y(about_x, sin_xp, cos_xp);
        const Vector3 intermediate = rotate_about_z(about_y, -sin_sprime, cos_sprime);
        return rotate_about_z(intermediate, -sin_gast, cos_gast);
    }
};

}  // namespace

SkyFrame::SkyFrame(const GeodeticObserver& observer, const EarthOrientation& orientation) {
    const double gast =
        greenwich_apparent_sidereal_time(orientation.ut1_julian_day, orientation.tt_julian_day);
    const double sprime = tio_locator_rad(orientation.tt_julian_day);
    const double xp = orientation.xp_arcsec * ARCSECONDS_TO_RADIANS;
    const double yp = orientation.yp_arcsec * ARCSECONDS_TO_RADIANS;
    const TerrestrialToOfDate to_of_date{std::sin(gast),   std::cos(gast), std::sin(sprime), std::cos(sprime),
                                         std::sin(xp),     std::cos(xp),   std::sin(yp),     std::cos(yp)};

    const double longitude = observer.longitude_east_deg * DEGREES_TO_RADIANS;
    const double latitude = observer.latitude_deg * DEGREES_TO_RADIANS;
    const double sin_lon = std::sin(longitude), cos_lon = std::cos(longitude);
    const double sin_lat = std::sin(latitude), cos_lat = std::cos(latitude);
    east_ = to_of_date({-sin_lon, cos_lon, 0.0});
    north_ = to_of_date({-sin_lat * cos_lon, -sin_lat * sin_lon, cos_lat});
    up_ = to_of_date({cos_lat * cos_lon, cos_lat * sin_lon, sin_lat});
    meridian_ = to_of_date({cos_lon, sin_lon, 0.0});
    pole_ = to_of_date({0.0, 0.0, 1.0});
    local_sidereal_time_deg_ = reduced_to_circle_deg((gast + longitude) * RADIANS_TO_DEGREES);
}

SkyPlace SkyFrame::place(const Position& of_date) const {
    const double right_ascension = of_date.longitude_deg * DEGREES_TO_RADIANS;
    const double declination = of_date.latitude_deg * DEGREES_TO_RADIANS;
    const double cos_dec = std::cos(declination);
    const Vector3 direction{cos_dec * std::cos(right_ascension), cos_dec * std::sin(right_ascension),
                            std::sin(declination)};
    const double east = dot(direction, east_);
    const double altitude = std::asin(std::clamp(dot(direction, up_), -1.0, 1.0));
    const double azimuth = std::atan2(east, dot(direction, north_));
    // West of the meridian is positive; both angles are about the terrestrial pole,
    // as a mount aligned on the site's pole measures them.
    double hour_angle = std::atan2(-east, dot(direction, meridian_));
    if (hour_angle <= -PI) hour_angle = PI;
    const double pole_declination = std::asin(std::clamp(dot(direction, pole_), -1.0, 1.0));
    return {altitude * RADIANS_TO_DEGREES,
            reduced_to_circle_deg(azimuth * RADIANS_TO_DEGREES),
            hour_angle * RADIANS_TO_DEGREES,
            pole_declination * RADIANS_TO_DEGREES,
            of_date.longitude_deg,
            of_date.distance_au};
}

}  // namespace orbyx
