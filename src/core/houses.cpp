#include "core/houses.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/earth_rotation.hpp"
#include "core/nutation.hpp"
#include "core/observer.hpp"
#include "core/placidus.hpp"
#include "core/precession_iau2006.hpp"

namespace orbyx {
namespace {

constexpr double HOUSE_STEP_RAD = 0.5235987755982988;  // 30 degrees of the dividing circle

double output_deg(double angle_rad) {
    return reduced_to_circle_deg(angle_rad * RADIANS_TO_DEGREES);
}

// (k - 1) x 30 degrees for house k = 1..12, as the product itself (cos a_4 is not 0).
double division_angle_rad(int house) { return (house - 1) * HOUSE_STEP_RAD; }

// The sines and cosines every system shares: latitude, true obliquity and RAMC.
struct SkyFrame {
    double ramc, sin_latitude, cos_latitude, sin_obliquity, cos_obliquity, sin_ramc, cos_ramc;

    SkyFrame(double ramc_rad, double latitude_rad, double obliquity_rad)
        : ramc(ramc_rad),
          sin_latitude(std::sin(latitude_rad)),
          cos_latitude(std::cos(latitude_rad)),
          sin_obliquity(std::sin(obliquity_rad)),
          cos_obliquity(std::cos(obliquity_rad)),
          sin_ramc(std::sin(ramc_rad)),
          cos_ramc(std::cos(ramc_rad)) {}

    double midheaven() const { return std::atan2(sin_ramc, cos_obliquity * cos_ramc); }

    // Ecliptic longitude where the house circle turned by `a` from the horizon meets the
    // ecliptic; a = 0 is the ascendant.
    double house_circle(double a) const {
        const double cos_a = std::cos(a);
        const double sin_a = std::sin(a);
        const double n = (cos_latitude * cos_ramc) * cos_a - sin_ramc * sin_a;
        const double d = -(cos_obliquity * cos_ramc) * sin_a -
                         ((cos_obliquity * (cos_latitude * sin_ramc)) * cos_a +
                          (sin_latitude * cos_a) * sin_obliquity);
        return std::atan2(n, d);
    }
};

using CuspsRad = std::array<double, 12>;

// Empty where Placidus refuses the site.
std::optional<CuspsRad> placidus_cusps(const SkyFrame& sky, double ascendant, double midheaven) {
    const auto searched = placidus_searched_cusps({sky.ramc, sky.sin_latitude, sky.cos_latitude,
                                                   sky.sin_obliquity, sky.cos_obliquity});
    if (!searched) return std::nullopt;
    CuspsRad cusps{};
    cusps[0] = ascendant;
    cusps[9] = midheaven;
    cusps[3] = reduced_to_turn_rad(midheaven + PI);
    cusps[6] = reduced_to_turn_rad(ascendant + PI);
    for (std::size_t i = 0; i < PLACIDUS_SEARCHED_HOUSES.size(); ++i) {
        const int house = PLACIDUS_SEARCHED_HOUSES[i];
        cusps[house - 1] = (*searched)[i];
        const int opposite_index = (house - 1 + 6) % 12;  // houses 5, 6, 8, 9
        cusps[opposite_index] = reduced_to_turn_rad((*searched)[i] + PI);
    }
    return cusps;
}

CuspsRad equal_cusps(double ascendant) {
    CuspsRad cusps{};
    for (int house = 1; house <= 12; ++house) {
        cusps[house - 1] = reduced_to_turn_rad(ascendant + division_angle_rad(house));
    }
    return cusps;
}

// Whole signs start at the sign holding the ascendant; they pass through radians like
// every other cusp, so 30 degrees comes back as 29.999999999999996.
CuspsRad whole_sign_cusps(double ascendant) {
    const double sign_start_deg = std::floor(output_deg(ascendant) / 30.0) * 30.0;
    CuspsRad cusps{};
    for (int house = 1; house <= 12; ++house) {
        cusps[house - 1] =
            reduced_to_circle_deg(sign_start_deg + 30.0 * (house - 1)) * DEGREES_TO_RADIANS;
    }
    return cusps;
}

CuspsRad campanus_cusps(const SkyFrame& sky) {
    CuspsRad cusps{};
    for (int house = 1; house <= 12; ++house) {
        cusps[house - 1] = sky.house_circle(division_angle_rad(house));
    }
    return cusps;
}

}  // namespace

Result<HouseCusps, CoordinateError> house_cusps(const GeodeticObserver& observer,
                                                HouseSystem system, double ut1_julian_day,
                                                double tt_julian_day) {
    if (auto valid = validate_observer(observer); !valid) return failure(valid.error());
    if (!std::isfinite(tt_julian_day) || !std::isfinite(ut1_julian_day)) {
        return failure(CoordinateError::NonFiniteState);
    }

    // One nutation serves both the equation of the equinoxes and the true obliquity.
    const Nutation nutation = nutation_iau2000b(tt_julian_day);
    const double ramc = local_apparent_sidereal_time_iau2006(
        observer.longitude_east_deg * DEGREES_TO_RADIANS, ut1_julian_day, tt_julian_day, nutation);
    const double true_obliquity =
        mean_obliquity_iau2006_rad(julian_centuries_since_j2000(tt_julian_day)) + nutation.deps_rad;
    // Far enough from J2000 the precession polynomials overflow.
    if (!std::isfinite(ramc) || !std::isfinite(true_obliquity)) {
        return failure(CoordinateError::NonFiniteAnglesOfDate);
    }
    const SkyFrame sky(ramc, observer.latitude_deg * DEGREES_TO_RADIANS, true_obliquity);
    const double midheaven = sky.midheaven();
    const double ascendant = sky.house_circle(division_angle_rad(1));

    CuspsRad cusps_rad{};
    switch (system) {
        case HouseSystem::Placidus: {
            const auto placidus = placidus_cusps(sky, ascendant, midheaven);
            if (!placidus) return failure(CoordinateError::UndefinedHouseCusps);
            cusps_rad = *placidus;
            break;
        }
        case HouseSystem::Campanus: cusps_rad = campanus_cusps(sky); break;
        case HouseSystem::Equal: cusps_rad = equal_cusps(ascendant); break;
        case HouseSystem::WholeSign: cusps_rad = whole_sign_cusps(ascendant); break;
    }

    HouseCusps result{};
    result.system = system;
    for (int i = 0; i < 12; ++i) result.cusp_ecliptic_longitude_deg[i] = output_deg(cusps_rad[i]);
    result.ascendant_deg = output_deg(ascendant);
    result.midheaven_deg = output_deg(midheaven);
    result.ramc_deg = output_deg(ramc);
    result.local_sidereal_time_deg = result.ramc_deg;
    result.true_obliquity_deg = true_obliquity * RADIANS_TO_DEGREES;
    return result;
}

}  // namespace orbyx
