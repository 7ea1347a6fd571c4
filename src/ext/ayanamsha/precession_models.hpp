#pragma once

#include <optional>
#include <string_view>

namespace orbyx {

// The general precession in longitude that carries a user's ayanamsha from its epoch.
enum class PrecessionModel { Iau2006, Iau1976 };

// "iau2006" or "iau1976"; nothing for another name.
std::optional<PrecessionModel> parse_precession_model(std::string_view name);

// Accumulated general precession in longitude p_A from J2000, arcseconds, at Julian
// centuries of TT from J2000.
double general_precession_arcsec(PrecessionModel model, double julian_centuries);

}  // namespace orbyx
