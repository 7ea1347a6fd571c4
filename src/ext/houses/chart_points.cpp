#include "ext/houses/chart_points.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"

namespace orbyx {

// The line shared by the prime vertical (pole: the horizon's north point) and the
// ecliptic, turned to the west point's side. Written out in equatorial axes; its
// ecliptic y component comes to sin(phi) cos(RAMC).
double vertex_longitude(const ChartSky& sky) {
    const double sin_latitude = std::sin(sky.latitude), cos_latitude = std::cos(sky.latitude);
    const double sin_ramc = std::sin(sky.ramc), cos_ramc = std::cos(sky.ramc);
    const double x = cos_latitude * sky.sin_obliquity - sin_latitude * sin_ramc * sky.cos_obliquity;
    const double y = sin_latitude * cos_ramc;
    const double westward = cos_latitude * sky.sin_obliquity * sin_ramc - sin_latitude * sky.cos_obliquity;
    return westward >= 0.0 ? std::atan2(y, x) : std::atan2(-y, -x);
}

double east_point_longitude(const ChartSky& sky) { return sky.on_hour_circle(sky.ramc + 0.5 * PI); }

}  // namespace orbyx
