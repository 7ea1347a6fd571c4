#include "ext/ayanamsha/companion_ayanamsha.hpp"

namespace orbyx {
namespace {

Result<double, EphemerisError> degrees_of(const AyanamshaDefinition& definition, double tt_julian_day,
                                          bool with_nutation) {
    return ayanamsha_of_date_deg(definition, tt_julian_day, with_nutation);
}

Result<double, EphemerisError> degrees_of(const StarAyanamsha& ayanamsha, double tt_julian_day, bool with_nutation) {
    return star_ayanamsha_deg(ayanamsha, tt_julian_day, with_nutation);
}

}  // namespace

std::optional<CompanionAyanamsha> named_companion_ayanamsha(std::string_view name) {
    if (const auto definition = named_ayanamsha(name)) return CompanionAyanamsha{*definition};
    if (const auto star = named_star_ayanamsha(name)) return CompanionAyanamsha{*star};
    return std::nullopt;
}

Result<double, EphemerisError> companion_ayanamsha_deg(const CompanionAyanamsha& ayanamsha, double tt_julian_day,
                                                       bool with_nutation) {
    return std::visit([&](const auto& chosen) { return degrees_of(chosen, tt_julian_day, with_nutation); },
                      ayanamsha);
}

}  // namespace orbyx
