#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/errors.hpp"
#include "core/planar_rotation.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/horizon/chebyshev_series.hpp"
#include "ext/time/earth_orientation.hpp"

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
    // `target` is a NAIF id.
    static Result<SkyTrack, EphemerisError> build(SpkEphemeris& engine, std::int32_t target,
                                                  const GeodeticObserver& observer,
                                                  double first_ut1_julian_day,
                                                  double last_ut1_julian_day);

    SiteDirection at(double ut1_julian_day) const;

private:
    static constexpr std::size_t NODES = 17;

    // The site and its axes in the ITRS, km.
    struct Site {
        Vector3 position_km;
        Vector3 velocity_over_c;
        Vector3 up, east, meridian;
    };

    // One stretch of the span, as the Chebyshev coefficients of its series side by
    // side: the geocentric apparent vector but for the Sun's deflection (km, true
    // equator and equinox of date, scaled so that subtracting the site is exact to
    // first order in the Earth's velocity), GAST less the Earth rotation angle and the
    // pole's offsets; then, in fewer terms, the vector's rate (km/day, needed to a
    // percent) and the Sun's apparent vector (km, needed to a few milliarcseconds).
    enum PlaceLane : std::size_t { X, Y, Z, SIDEREAL_OFFSET, POLE_X, POLE_Y, PLACE_LANES };
    enum SlowLane : std::size_t { RATE_X, RATE_Y, RATE_Z, SUN_X, SUN_Y, SUN_Z, SLOW_LANES };
    static constexpr std::size_t SLOW_TERMS = 8;
    struct Window {
        double start_ut1;
        double rotation_at_start_rad;
        std::array<std::array<double, PLACE_LANES>, NODES> place;
        std::array<std::array<double, SLOW_LANES>, SLOW_TERMS> slow;
    };

    static std::array<Chebyshev<NODES>::Coefficients, 3> fitted_place(
        const std::vector<Vector3>& places, std::size_t first, std::size_t stride,
        const std::array<Chebyshev<NODES>::Coefficients, 3>& sun, double per_day);
    static Result<std::array<Chebyshev<NODES>::Coefficients, 3>, EphemerisError> orientation_and_places_of_date(
        const std::vector<EarthOrientation>& orientations, std::size_t first, std::vector<Vector3>& places,
        std::size_t stride);
    static Site site_vectors(const GeodeticObserver& observer);

    SkyTrack(double first_ut1, double window_days, std::int32_t target)
        : first_ut1_(first_ut1), window_days_(window_days), target_(target) {}

    // The UT1 day of a window's node.
    double node_day(std::size_t window, std::size_t node) const;

    double first_ut1_;
    double window_days_;
    std::int32_t target_;
    Site site_;
    std::vector<Window> windows_;
};

}  // namespace orbyx
