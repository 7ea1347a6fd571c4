#include "ext/houses/house_system_names.hpp"

#include <array>
#include <string>
#include <utility>

namespace orbyx {
namespace {

constexpr std::array<std::pair<std::string_view, AnyHouseSystem>, 13> NAMES = {{
    {"placidus", AnyHouseSystem::Placidus},
    {"campanus", AnyHouseSystem::Campanus},
    {"equal", AnyHouseSystem::Equal},
    {"whole_sign", AnyHouseSystem::WholeSign},
    {"koch", AnyHouseSystem::Koch},
    {"regiomontanus", AnyHouseSystem::Regiomontanus},
    {"porphyry", AnyHouseSystem::Porphyry},
    {"alcabitius", AnyHouseSystem::Alcabitius},
    {"topocentric", AnyHouseSystem::Topocentric},
    {"morinus", AnyHouseSystem::Morinus},
    {"meridian", AnyHouseSystem::Meridian},
    {"vehlow", AnyHouseSystem::Vehlow},
    {"sripati", AnyHouseSystem::Sripati},
}};

}  // namespace

std::string normalised_house_system_name(std::string_view name) {
    const auto first = name.find_first_not_of(" \t\n\r\f\v");
    const auto last = name.find_last_not_of(" \t\n\r\f\v");
    if (first == std::string_view::npos) return {};
    std::string out(name.substr(first, last - first + 1));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::optional<AnyHouseSystem> house_system_named(std::string_view name) {
    const std::string normalised = normalised_house_system_name(name);
    for (const auto& [spelling, system] : NAMES) {
        if (spelling == normalised) return system;
    }
    return std::nullopt;
}

std::string_view house_system_name(AnyHouseSystem system) {
    for (const auto& [spelling, member] : NAMES) {
        if (member == system) return spelling;
    }
    return {};
}

}  // namespace orbyx
