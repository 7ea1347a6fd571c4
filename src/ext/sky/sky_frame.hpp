#pragma once

#include <array>

#include "core/planar_rotation.hpp"
#include "core/types.hpp"
#include "ext/time/earth_orientation.hpp"

namespace orbyx {

// A body's apparent place of date as a site sees it, without refraction. Degrees;
// azimuth from north through east in [0, 360); hour angle west of the meridian in
// (-180, 180] and declination, both about the terrestrial pole (which polar motion
// sets apart from the true pole of date by up to about half an arcsecond); right
// ascension of date.
struct SkyPlace {
    double altitude_deg;
    double azimuth_deg;
    double hour_angle_deg;
    double declination_deg;
    double right_ascension_deg;
    double distance_au;
};

// A site's horizon and meridian at one instant, in the true equator and equinox of
// date: built once per instant, it turns every body's place at that instant.
class SkyFrame {
public:
    SkyFrame(const GeodeticObserver& observer, const EarthOrientation& orientation);

    // `of_date`: right ascension and declination of date (longitude and latitude
    // fields), as the engine's topocentric equatorial-of-date positions give them.
    SkyPlace place(const Position& of_date) const;

    // Greenwich apparent sidereal time plus the site's east longitude, in [0, 360).
    double local_apparent_sidereal_time_deg() const { return local_sidereal_time_deg_; }

private:
    // The site's east, north and up directions, the meridian's equatorial direction
    // and the terrestrial pole, each carried from the terrestrial frame into the
    // frame of date.
    Vector3 east_, north_, up_, meridian_, pole_;
    double local_sidereal_time_deg_;
};

}  // namespace orbyx
