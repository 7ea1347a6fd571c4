#pragma once

#include <array>
#include <optional>

#include "ext/houses/chart_sky.hpp"
#include "ext/houses/house_system_names.hpp"

namespace orbyx {

using CuspLongitudes = std::array<double, 12>;  // radians, house 1 first, not reduced

// The cusps of one of the companion's own systems (not orbyx's four); empty where the
// system is undefined for the site (Koch inside the polar circles).
std::optional<CuspLongitudes> divided_houses(AnyHouseSystem system, const ChartSky& sky);

}  // namespace orbyx
