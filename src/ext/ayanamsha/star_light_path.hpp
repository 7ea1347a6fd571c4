#pragma once

namespace orbyx {

// The longitude at which a star at this ecliptic longitude and latitude of date is seen
// on a TT Julian day: its light bent by the Sun's gravity, then shifted by the Earth's
// orbital motion (up to 20.5"/cos b). Degrees.
double seen_star_longitude_deg(double longitude_deg, double latitude_deg, double tt_julian_day);

}  // namespace orbyx
