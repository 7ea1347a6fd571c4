#include "ext/ayanamsha/ayanamsha_of_date.hpp"

#include <cmath>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/nutation.hpp"

namespace orbyx {
namespace {

constexpr double J1900_TT = 2415020.0;
constexpr double B1950_TT = 2433282.42345905;

struct NamedDefinition {
    std::string_view name;
    AyanamshaDefinition definition;
};

// The traditions' values at their epochs as Swiss Ephemeris 2.10 carries them (its
// Krishnamurti and Raman values sit 0.83" below the rounded figures usually quoted,
// 22.363889 and 21.014444 deg); users compare charts against it. J2000, J1900 and
// B1950 put the origin at the mean equinox of that epoch.
constexpr NamedDefinition NAMED_DEFINITIONS[] = {
    {"krishnamurti", {J1900_TT, 22.36365901}},  // 22 deg 21' 49.17"
    {"raman", {J1900_TT, 21.01421001}},         // 21 deg 00' 51.16"
    {"yukteshwar", {J1900_TT, 21.082222}},      // 21 deg 04' 56.00"
    {"j2000", {J2000_JULIAN_DAY, 0.0}},
    {"j1900", {J1900_TT, 0.0}},
    {"b1950", {B1950_TT, 0.0}},
};

}  // namespace

std::optional<AyanamshaDefinition> named_ayanamsha(std::string_view name) {
    for (const auto& named : NAMED_DEFINITIONS) {
        if (named.name == name) return named.definition;
    }
    return std::nullopt;
}

Result<double, EphemerisError> ayanamsha_of_date_deg(const AyanamshaDefinition& definition,
                                                     double tt_julian_day, bool with_nutation) {
    if (!std::isfinite(definition.reference_tt_julian_day) || !std::isfinite(definition.value_deg)) {
        return failure(EphemerisError::invalid_request("ayanamsha epoch and value must be finite"));
    }
    if (!std::isfinite(tt_julian_day)) {
        return failure(EphemerisError::invalid_request("Julian day must be finite"));
    }
    const double precession_arcsec =
        general_precession_arcsec(definition.precession, julian_centuries_since_j2000(tt_julian_day)) -
        general_precession_arcsec(definition.precession,
                                  julian_centuries_since_j2000(definition.reference_tt_julian_day));
    double value_deg = definition.value_deg + precession_arcsec / 3600.0;
    if (with_nutation) value_deg += nutation_iau2000b(tt_julian_day).dpsi_rad * RADIANS_TO_DEGREES;
    return reduced_to_circle_deg(value_deg);
}

}  // namespace orbyx
