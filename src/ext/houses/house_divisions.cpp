#include "ext/houses/house_divisions.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"

namespace orbyx {
namespace {

constexpr double STEP = PI / 6.0;  // 30 degrees

// Index of the cusp `steps` houses after the MC: 0 is house 10, 3 house 1.
constexpr std::size_t after_midheaven(int steps) { return static_cast<std::size_t>((9 + steps) % 12); }

// Houses 10 to 3 from their cusps; each of the others faces one of them.
CuspLongitudes with_opposites(const std::array<double, 6>& eastern) {
    CuspLongitudes cusps{};
    for (int j = 0; j < 6; ++j) {
        cusps[after_midheaven(j)] = eastern[j];
        cusps[after_midheaven(j + 6)] = eastern[j] + PI;
    }
    return cusps;
}

// Circles through the north and south points at equal steps of the equator from the
// meridian; the pole height of each follows the system's rule.
template <class PoleFraction>
CuspLongitudes pole_circle_houses(const ChartSky& sky, PoleFraction fraction_of_latitude) {
    std::array<double, 6> eastern{sky.midheaven, 0, 0, sky.ascendant, 0, 0};
    for (int j : {1, 2, 4, 5}) {
        eastern[j] = sky.on_pole_circle(sky.ramc + j * STEP, sky.tan_latitude * fraction_of_latitude(j));
    }
    return with_opposites(eastern);
}

// The ascendants of the moments the MC's degree rises, culminates, and of the thirds
// of its diurnal semi-arc between and after. Inside the polar circles the ascendants of
// those moments no longer follow each other along the ecliptic, so none is offered there.
std::optional<CuspLongitudes> koch_houses(const ChartSky& sky) {
    if (std::fabs(sky.latitude) >= 0.5 * PI - sky.obliquity) return std::nullopt;
    const double arc = sky.diurnal_semi_arc(sky.sin_obliquity * std::sin(sky.midheaven));
    std::array<double, 6> eastern{sky.midheaven, 0, 0, sky.ascendant, 0, 0};
    for (int j : {1, 2, 4, 5}) {
        eastern[j] = sky.on_pole_circle(sky.ramc + (j - 3) * arc / 3.0 + 0.5 * PI, sky.tan_latitude);
    }
    return with_opposites(eastern);
}

// The ascendant's diurnal and nocturnal semi-arcs cut in thirds of right ascension,
// taken to the ecliptic along hour circles.
CuspLongitudes alcabitius_houses(const ChartSky& sky) {
    const double day = sky.diurnal_semi_arc(sky.sin_obliquity * std::sin(sky.ascendant));
    const double night = PI - day;
    std::array<double, 6> eastern{sky.midheaven, 0, 0, sky.ascendant, 0, 0};
    for (int j : {1, 2}) eastern[j] = sky.on_hour_circle(sky.ramc + j * day / 3.0);
    for (int j : {4, 5}) eastern[j] = sky.on_hour_circle(sky.ramc + day + (j - 3) * night / 3.0);
    return with_opposites(eastern);
}

// The ecliptic arcs between the angles cut in thirds.
CuspLongitudes porphyry_houses(const ChartSky& sky) {
    const double upper = reduced_to_turn_rad(sky.ascendant - sky.midheaven);
    const double lower = PI - upper;
    std::array<double, 6> eastern{sky.midheaven, 0, 0, sky.ascendant, 0, 0};
    for (int j : {1, 2}) eastern[j] = sky.midheaven + j * upper / 3.0;
    for (int j : {4, 5}) eastern[j] = sky.ascendant + (j - 3) * lower / 3.0;
    return with_opposites(eastern);
}

// Each cusp halfway between the Porphyry cusps of the house before and its own.
CuspLongitudes sripati_houses(const ChartSky& sky) {
    const CuspLongitudes porphyry = porphyry_houses(sky);
    CuspLongitudes cusps{};
    for (std::size_t i = 0; i < 12; ++i) {
        const double before = porphyry[(i + 11) % 12];
        cusps[i] = before + 0.5 * reduced_to_turn_rad(porphyry[i] - before);
    }
    return cusps;
}

// The equator in twelve from the RAMC, taken to the ecliptic along its meridians
// (Morinus) or along hour circles (Meridian).
template <class Projection>
CuspLongitudes equator_houses(const ChartSky& sky, Projection to_ecliptic) {
    CuspLongitudes cusps{};
    for (int j = 0; j < 12; ++j) cusps[after_midheaven(j)] = to_ecliptic(sky.ramc + j * STEP);
    return cusps;
}

// Equal houses with the ascendant in the middle of the first.
CuspLongitudes vehlow_houses(const ChartSky& sky) {
    CuspLongitudes cusps{};
    for (int k = 0; k < 12; ++k) cusps[k] = sky.ascendant + (k - 0.5) * STEP;
    return cusps;
}

}  // namespace

std::optional<CuspLongitudes> divided_houses(AnyHouseSystem system, const ChartSky& sky) {
    switch (system) {
        case AnyHouseSystem::Koch: return koch_houses(sky);
        case AnyHouseSystem::Regiomontanus:
            return pole_circle_houses(sky, [](int j) { return std::sin(j * STEP); });
        case AnyHouseSystem::Topocentric:
            return pole_circle_houses(sky, [](int j) { return (j < 3 ? j : 6 - j) / 3.0; });
        case AnyHouseSystem::Porphyry: return porphyry_houses(sky);
        case AnyHouseSystem::Alcabitius: return alcabitius_houses(sky);
        case AnyHouseSystem::Morinus:
            return equator_houses(sky, [&sky](double ra) {
                return std::atan2(std::sin(ra) * sky.cos_obliquity, std::cos(ra));
            });
        case AnyHouseSystem::Meridian:
            return equator_houses(sky, [&sky](double ra) { return sky.on_hour_circle(ra); });
        case AnyHouseSystem::Vehlow: return vehlow_houses(sky);
        case AnyHouseSystem::Sripati: return sripati_houses(sky);
        default: return std::nullopt;  // orbyx's own four are divided by orbyx
    }
}

}  // namespace orbyx
