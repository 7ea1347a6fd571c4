#pragma once

#include <cmath>

namespace orbyx {

// The DELTET constants of TDB - TT = k sin(E), E = M + eb sin(M), M = m0 + m1 t.
struct DeltetConstants {
    double k;   // seconds
    double eb;
    double m0;  // radians
    double m1;  // radians per second
};

// Used by the engine when no leap-second kernel is attached.
inline constexpr DeltetConstants BUILT_IN_DELTET{0.001657, 0.01671, 6.239996, 1.99096871e-7};

inline double tdb_minus_tt_at(const DeltetConstants& c, double seconds_past_j2000) {
    const double m = c.m0 + c.m1 * seconds_past_j2000;
    return c.k * std::sin(m + c.eb * std::sin(m));
}

// D evaluated three times from `seconds` (TT going to TDB, TDB going to TT): the
// argument moves to the other scale before the last evaluation.
inline double tdb_minus_tt_seconds(const DeltetConstants& c, double seconds) {
    const double t1 = seconds + tdb_minus_tt_at(c, seconds);
    const double d1 = tdb_minus_tt_at(c, t1);
    const double t2 = seconds + d1;
    // D moves by well under a nanosecond between the passes, so t2 is nearly always
    // t1 to the last bit, and D(t2) is then the D(t1) in hand.
    return t2 == t1 ? d1 : tdb_minus_tt_at(c, t2);
}

}  // namespace orbyx
