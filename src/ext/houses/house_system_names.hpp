#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orbyx {

// Every division the companion offers: orbyx's four first, then its own. The Python
// layer names them by this order.
enum class AnyHouseSystem {
    Placidus,
    Campanus,
    Equal,
    WholeSign,
    Koch,
    Regiomontanus,
    Porphyry,
    Alcabitius,
    Topocentric,
    Morinus,
    Meridian,
    Vehlow,
    Sripati,
};

// Names are lower-case with underscores ("whole_sign"); a name is read trimmed of
// ASCII white space and lower-cased, as orbyx reads its own. Empty for an unknown one.
std::string normalised_house_system_name(std::string_view name);
std::optional<AnyHouseSystem> house_system_named(std::string_view name);
std::string_view house_system_name(AnyHouseSystem system);

}  // namespace orbyx
