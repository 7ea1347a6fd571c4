#pragma once

#include <array>
#include <optional>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/houses/house_system_names.hpp"

namespace orbyx {

// Degrees on the true ecliptic and equinox of date, longitudes in [0, 360).
struct ChartHouses {
    AnyHouseSystem system;  // the fallback where it was used
    bool fallback_used;
    std::array<double, 12> cusps_deg;  // house 1 first
    double ascendant_deg, midheaven_deg, ramc_deg, true_obliquity_deg;
    double vertex_deg, east_point_deg;
};

// A site's houses at a UT1/TT pair in any system, with the RAMC, true obliquity,
// ascendant and MC exactly as orbyx.house_cusps computes them. Where the system is
// undefined for the site, the fallback divides instead, or the call fails.
Result<ChartHouses, EphemerisError> chart_houses(const GeodeticObserver& observer, AnyHouseSystem system,
                                                 std::optional<AnyHouseSystem> fallback,
                                                 double ut1_julian_day, double tt_julian_day);

// The same houses measured from a sidereal origin `ayanamsha_deg` east of the true
// equinox: every longitude moves, the RAMC and obliquity do not, and whole signs are
// the signs of the sidereal zodiac.
ChartHouses in_sidereal_zodiac(const ChartHouses& tropical, double ayanamsha_deg);

}  // namespace orbyx
