#pragma once

namespace orbyx {

// Shift in ecliptic longitude, degrees, that the Earth's orbital motion gives a star at
// this ecliptic longitude and latitude of date on a TT Julian day (up to 20.5"/cos b).
double annual_aberration_in_longitude_deg(double longitude_deg, double latitude_deg, double tt_julian_day);

}  // namespace orbyx
