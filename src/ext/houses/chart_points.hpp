#pragma once

#include "ext/houses/chart_sky.hpp"

namespace orbyx {

// Where the prime vertical meets the ecliptic in the west, radians.
double vertex_longitude(const ChartSky& sky);

// The equatorial ascendant: the ecliptic point on the hour circle of the east point.
double east_point_longitude(const ChartSky& sky);

}  // namespace orbyx
