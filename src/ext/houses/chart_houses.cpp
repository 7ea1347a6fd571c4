#include "ext/houses/chart_houses.hpp"

#include <cmath>
#include <string>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/houses.hpp"
#include "ext/houses/chart_points.hpp"
#include "ext/houses/house_divisions.hpp"

namespace orbyx {
namespace {

std::optional<HouseSystem> orbyx_division(AnyHouseSystem system) {
    switch (system) {
        case AnyHouseSystem::Placidus: return HouseSystem::Placidus;
        case AnyHouseSystem::Campanus: return HouseSystem::Campanus;
        case AnyHouseSystem::Equal: return HouseSystem::Equal;
        case AnyHouseSystem::WholeSign: return HouseSystem::WholeSign;
        default: return std::nullopt;
    }
}

ChartSky sky_of(const HouseCusps& angles, const GeodeticObserver& observer) {
    return {angles.ramc_deg * DEGREES_TO_RADIANS, observer.latitude_deg * DEGREES_TO_RADIANS,
            angles.true_obliquity_deg * DEGREES_TO_RADIANS, angles.ascendant_deg * DEGREES_TO_RADIANS,
            angles.midheaven_deg * DEGREES_TO_RADIANS};
}

double circle_deg(double angle_rad) { return reduced_to_circle_deg(angle_rad * RADIANS_TO_DEGREES); }

// orbyx divides its own systems; the angles of its cheapest one serve the others.
Result<HouseCusps, CoordinateError> divided(const GeodeticObserver& observer, AnyHouseSystem system,
                                            double ut1_julian_day, double tt_julian_day) {
    const auto own = orbyx_division(system);
    auto angles = house_cusps(observer, own.value_or(HouseSystem::Equal), ut1_julian_day, tt_julian_day);
    if (!angles || own) return angles;
    const auto cusps = divided_houses(system, sky_of(*angles, observer));
    if (!cusps) return failure(CoordinateError::UndefinedHouseCusps);
    for (std::size_t i = 0; i < 12; ++i) angles->cusp_ecliptic_longitude_deg[i] = circle_deg((*cusps)[i]);
    return angles;
}

}  // namespace

Result<ChartHouses, EphemerisError> chart_houses(const GeodeticObserver& observer, AnyHouseSystem system,
                                                 std::optional<AnyHouseSystem> fallback,
                                                 double ut1_julian_day, double tt_julian_day) {
    auto houses = divided(observer, system, ut1_julian_day, tt_julian_day);
    const bool refused = !houses && houses.error() == CoordinateError::UndefinedHouseCusps;
    const bool fallback_used = refused && fallback.has_value();
    if (fallback_used) {
        system = *fallback;
        houses = divided(observer, system, ut1_julian_day, tt_julian_day);
    }
    if (!houses) {
        if (houses.error() != CoordinateError::UndefinedHouseCusps) {
            return failure(EphemerisError::invalid_request(message(houses.error())));
        }
        const std::string refusal =
            std::string(house_system_name(system)) + " house cusps are undefined at the requested latitude";
        return failure(EphemerisError::invalid_request(
            fallback_used ? refusal : refusal + "; name a fallback system for such sites"));
    }
    const ChartSky sky = sky_of(*houses, observer);
    return ChartHouses{system,
                       fallback_used,
                       houses->cusp_ecliptic_longitude_deg,
                       houses->ascendant_deg,
                       houses->midheaven_deg,
                       houses->ramc_deg,
                       houses->true_obliquity_deg,
                       circle_deg(vertex_longitude(sky)),
                       circle_deg(east_point_longitude(sky))};
}

ChartHouses in_sidereal_zodiac(const ChartHouses& tropical, double ayanamsha_deg) {
    const auto moved = [ayanamsha_deg](double longitude_deg) {
        return reduced_to_circle_deg(longitude_deg - ayanamsha_deg);
    };
    ChartHouses sidereal = tropical;
    for (double& cusp : sidereal.cusps_deg) cusp = moved(cusp);
    sidereal.ascendant_deg = moved(tropical.ascendant_deg);
    sidereal.midheaven_deg = moved(tropical.midheaven_deg);
    sidereal.vertex_deg = moved(tropical.vertex_deg);
    sidereal.east_point_deg = moved(tropical.east_point_deg);
    if (sidereal.system == AnyHouseSystem::WholeSign) {
        const double first_sign_deg = 30.0 * std::floor(sidereal.ascendant_deg / 30.0);
        for (std::size_t house = 0; house < 12; ++house) {
            sidereal.cusps_deg[house] = reduced_to_circle_deg(first_sign_deg + 30.0 * static_cast<double>(house));
        }
    }
    return sidereal;
}

}  // namespace orbyx
