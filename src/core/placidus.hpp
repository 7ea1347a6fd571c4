#pragma once

#include <array>
#include <optional>

namespace orbyx {

// The Placidus cusps found by a search on their declination, in this order.
inline constexpr std::array<int, 4> PLACIDUS_SEARCHED_HOUSES = {11, 12, 2, 3};

// RAMC in radians and the sines and cosines of the latitude and the true obliquity.
struct PlacidusSky {
    double ramc, sin_latitude, cos_latitude, sin_obliquity, cos_obliquity;
};

// Ecliptic longitudes in [0, 2pi) of cusps 11, 12, 2 and 3, each the fixed point of the
// declination iteration from 0 (at most 100 steps, settled when the declination moves
// by less than 1e-12 rad); empty where some cusp point never rises or sets or its
// iteration does not settle.
std::optional<std::array<double, 4>> placidus_searched_cusps(const PlacidusSky& sky);

}  // namespace orbyx
