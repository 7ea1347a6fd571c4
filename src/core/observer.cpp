#include "core/observer.hpp"

#include <cmath>

#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/nutation.hpp"
#include "core/of_date_rotation.hpp"
#include "core/same_bits.hpp"

namespace orbyx {

Result<GeodeticObserver, CoordinateError> validate_observer(const GeodeticObserver& observer) {
    if (!std::isfinite(observer.longitude_east_deg)) return failure(CoordinateError::NonFiniteState);
    if (!std::isfinite(observer.latitude_deg) || !std::isfinite(observer.height_m)) {
        return failure(CoordinateError::NonFiniteState);
    }
    if (std::fabs(observer.latitude_deg) > 90.0) return failure(CoordinateError::InvalidLatitude);
    return observer;
}

Vector3 terrestrial_position_km(double longitude_rad, double latitude_rad, double height_m) {
    const double sin_latitude = std::sin(latitude_rad);
    const double cos_latitude = std::cos(latitude_rad);
    const double prime_vertical_radius_m =
        GRS80_EQUATORIAL_RADIUS_M /
        std::sqrt(1.0 - GRS80_ECCENTRICITY_SQUARED * (sin_latitude * sin_latitude));
    const double equatorial_distance_m = (prime_vertical_radius_m + height_m) * cos_latitude;
    return {
        equatorial_distance_m * std::cos(longitude_rad) / 1000.0,
        equatorial_distance_m * std::sin(longitude_rad) / 1000.0,
        (prime_vertical_radius_m * GRS80_ONE_MINUS_ECCENTRICITY_SQUARED + height_m) * sin_latitude /
            1000.0,
    };
}

namespace {

// A search asks for one site's state at many instants: keep the last site's place.
Vector3 site_terrestrial_position_km(double longitude_rad, double latitude_rad, double height_m) {
    struct Entry {
        bool filled = false;
        double longitude_rad = 0.0;
        double latitude_rad = 0.0;
        double height_m = 0.0;
        Vector3 position{};
    };
    thread_local Entry last;
    if (!last.filled || !same_bits(last.longitude_rad, longitude_rad) || !same_bits(last.latitude_rad, latitude_rad) ||
        !same_bits(last.height_m, height_m)) {
        last = {true, longitude_rad, latitude_rad, height_m,
                terrestrial_position_km(longitude_rad, latitude_rad, height_m)};
    }
    return last.position;
}

}  // namespace

Vector3 remove_polar_motion(const Vector3& itrs, double xp_rad, double yp_rad, double sprime_rad) {
    Vector3 v = rotate_about_x(itrs, std::sin(yp_rad), std::cos(yp_rad));
    v = rotate_about_y(v, std::sin(xp_rad), std::cos(xp_rad));
    return rotate_about_z(v, -std::sin(sprime_rad), std::cos(sprime_rad));
}

Result<CartesianState, CoordinateError> observer_gcrs_from_geodetic(
    const GeodeticObserver& observer, double ut1_julian_day, double tt_julian_day,
    double xp_arcsec, double yp_arcsec) {
    if (auto valid = validate_observer(observer); !valid) return failure(valid.error());
    if (!std::isfinite(xp_arcsec) || !std::isfinite(yp_arcsec) || !std::isfinite(ut1_julian_day) ||
        !std::isfinite(tt_julian_day)) {
        return failure(CoordinateError::NonFiniteState);
    }
    const double longitude_rad = observer.longitude_east_deg * DEGREES_TO_RADIANS;
    const double latitude_rad = observer.latitude_deg * DEGREES_TO_RADIANS;
    if (!std::isfinite(longitude_rad) || !std::isfinite(latitude_rad)) {
        return failure(CoordinateError::NonFiniteState);
    }
    if (std::fabs(latitude_rad) > 1.5707963267948966) return failure(CoordinateError::InvalidLatitude);

    const Vector3 intermediate = remove_polar_motion(
        site_terrestrial_position_km(longitude_rad, latitude_rad, observer.height_m),
        xp_arcsec * ARCSECONDS_TO_RADIANS, yp_arcsec * ARCSECONDS_TO_RADIANS,
        tio_locator_rad(tt_julian_day));

    // One nutation serves both the sidereal time and the precession-nutation matrix.
    const Nutation nutation = nutation_iau2000b(tt_julian_day);
    const double gast = greenwich_apparent_sidereal_time(ut1_julian_day, tt_julian_day, nutation);
    const Vector3 true_of_date = rotate_about_z(intermediate, -std::sin(gast), std::cos(gast));
    const Vector3 velocity = {-EARTH_ROTATION_RATE_RAD_PER_S * true_of_date[1],
                              EARTH_ROTATION_RATE_RAD_PER_S * true_of_date[0], 0.0};
    return OfDateRotation(nutation, true, tt_julian_day)
        .apply_inverse(CartesianState{true_of_date, velocity});
}

}  // namespace orbyx
