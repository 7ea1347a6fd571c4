#pragma once

#include <algorithm>
#include <cmath>

#include "core/angle_reduction.hpp"

namespace orbyx {

// A site's sky at a moment, radians: RAMC, geodetic latitude, true obliquity, and the
// ascendant and MC as orbyx computes them.
struct ChartSky {
    double ramc, latitude, obliquity, ascendant, midheaven;
    double sin_obliquity = std::sin(obliquity);
    double cos_obliquity = std::cos(obliquity);
    double tan_latitude = std::tan(latitude);

    // Longitude of the ecliptic point on the hour circle at right ascension `ra`.
    double on_hour_circle(double ra) const {
        return std::atan2(std::sin(ra), std::cos(ra) * cos_obliquity);
    }

    // Longitude where the circle through the horizon's north and south points that
    // meets the equator at `ra` crosses the ecliptic; `tan_pole` is the tangent of that
    // circle's pole height (the latitude itself gives the ascendant of RAMC ra - 90).
    double on_pole_circle(double ra, double tan_pole) const {
        return std::atan2(std::sin(ra), std::cos(ra) * cos_obliquity - tan_pole * sin_obliquity);
    }

    // Half the arc above the horizon of the daily circle at this declination, as an
    // angle of right ascension. Asked only of circles that meet the horizon, whose
    // product may still pass 1 by a rounding.
    double diurnal_semi_arc(double sin_declination) const {
        const double tan_declination = sin_declination / std::sqrt(1.0 - sin_declination * sin_declination);
        return 0.5 * PI + std::asin(std::clamp(tan_latitude * tan_declination, -1.0, 1.0));
    }
};

}  // namespace orbyx
