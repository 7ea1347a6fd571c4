#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/errors.hpp"
#include "core/planar_rotation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/horizon/chebyshev_series.hpp"

namespace orbyx {

class SpkEphemeris;

// Where a body stands against a site's horizon: the unit topocentric direction's
// components along the site's vertical, east and meridian (towards the equator's
// side of the pole), their rates per day, and the distance.
struct SiteDirection {
    double up;
    double east;
    double meridian;
    double up_rate;
    double east_rate;
    double meridian_rate;
    double distance_km;
};

// A body's apparent place seen from a site over a span of UT1 days, fast to
// evaluate anywhere in it. The engine gives the smooth geocentric apparent place at
// a few nodes; the Sun's deflection, sharp near conjunction, and the site's own
// parallax, light time and diurnal aberration, which turn with the Earth, are added
// at each evaluation.
class SkyTrack {
public:
    static Result<SkyTrack, EphemerisError> build(SpkEphemeris& engine, Body body,
                                                  const GeodeticObserver& observer,
                                                  double first_ut1_julian_day,
                                                  double last_ut1_julian_day);

    SiteDirection at(double ut1_julian_day) const;

private:
    static constexpr std::size_t PLACE_NODES = 17;
    static constexpr std::size_t SIDEREAL_NODES = 10;
    static constexpr std::size_t VELOCITY_NODES = 5;

    // The site in the terrestrial intermediate frame (polar motion removed), km.
    struct Site {
        Vector3 position_km;
        Vector3 velocity_over_c;
        Vector3 up, east, meridian;
    };

    // One stretch of the span, as the Chebyshev coefficients of its series side by
    // side: the geocentric apparent vector but for the Sun's deflection (km, true
    // equator and equinox of date, scaled so that subtracting the site is exact to
    // first order in the Earth's velocity) and GAST less the Earth rotation angle;
    // then, in fewer terms, the vector's rate (km/day, needed to a percent) and the
    // Sun's apparent vector (km, needed to a few milliarcseconds).
    enum PlaceLane : std::size_t { X, Y, Z, SIDEREAL_OFFSET, PLACE_LANES };
    enum SlowLane : std::size_t { RATE_X, RATE_Y, RATE_Z, SUN_X, SUN_Y, SUN_Z, SLOW_LANES };
    static constexpr std::size_t SLOW_TERMS = 8;
    struct Window {
        double start_ut1;
        double rotation_at_start_rad;
        std::array<std::array<double, PLACE_LANES>, PLACE_NODES> place;
        std::array<std::array<double, SLOW_LANES>, SLOW_TERMS> slow;
        Site site;
    };

    static Result<std::array<Vector3, PLACE_NODES>, EphemerisError> earth_velocity_over_c(
        const std::vector<Vector3>& positions, std::size_t first, double start_ut1);
    static std::array<Chebyshev<PLACE_NODES>::Coefficients, 3> fitted_place(
        const std::vector<Vector3>& places, std::size_t first, std::size_t stride,
        const std::array<Vector3, PLACE_NODES>& earth_velocity_over_c);
    static Result<Chebyshev<SIDEREAL_NODES>::Coefficients, EphemerisError> sidereal_offset(
        const SpkEphemeris& engine, double start_ut1);
    static Result<Site, EphemerisError> site_of_date(const SpkEphemeris& engine,
                                                     const GeodeticObserver& observer,
                                                     double ut1_julian_day);

    SkyTrack(double first_ut1, Body body) : first_ut1_(first_ut1), body_(body) {}

    double first_ut1_;
    Body body_;
    std::vector<Window> windows_;
};

}  // namespace orbyx
