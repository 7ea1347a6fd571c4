#pragma once

#include <array>
#include <cstdint>

namespace orbyx {

// One luni-solar term of IAU 2000B: argument multipliers and coefficients in 0.1 uas.
struct LuniSolarTerm {
    std::int32_t nl, nlp, nf, nd, nom;
    double ps, pst, pc;  // longitude: sin, t * sin, cos
    double ec, ect, es;  // obliquity: cos, t * cos, sin
};

extern const std::array<LuniSolarTerm, 77> IAU2000B_LUNI_SOLAR_TERMS;

}  // namespace orbyx
