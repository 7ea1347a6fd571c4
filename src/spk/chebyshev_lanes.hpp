#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/lanes.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// Epochs are evaluated in groups held in vector registers: independent lanes, and
// independent groups within one pass, hide the latency of the recurrences. A lone
// epoch gives the same bits as the same epoch among many (core/lanes.hpp).

// States from one Type 2 record (MID, RADIUS, then n coefficients per axis) at the
// GROUPS x lanes `epochs`, of which the first `count` are stored. The three axes share
// T(i) and T'(i), so one pass serves them; each axis is still summed in increasing i,
// exactly as a pass per axis would. Returns whether the `count` arguments lie within
// [-1, 1].
template <class Lanes, std::size_t GROUPS>
[[gnu::always_inline]] inline bool chebyshev_groups(const double* record, std::uint32_t n, const double* epochs,
                                                    std::size_t count, StateVector* states) {
    constexpr std::size_t LANES = LANE_COUNT<Lanes>;
    const double midpoint = record[0];
    const double radius = record[1];
    const double* x = record + 2;
    const double* y = x + n;
    const double* z = y + n;
    Lanes s[GROUPS], value_x[GROUPS], value_y[GROUPS], value_z[GROUPS];
    Lanes slope_x[GROUPS], slope_y[GROUPS], slope_z[GROUPS];
    // 2s, then T(i-2), T(i-1), T'(i-2), T'(i-1).
    Lanes two_s[GROUPS], t_before[GROUPS], t_last[GROUPS], d_before[GROUPS], d_last[GROUPS];
    for (std::size_t g = 0; g < GROUPS; ++g) {
        s[g] = (load_lanes<Lanes>(epochs + g * LANES) - midpoint) / radius;
        if (n >= 2) {
            value_x[g] = x[0] + s[g] * x[1];
            value_y[g] = y[0] + s[g] * y[1];
            value_z[g] = z[0] + s[g] * z[1];
            fill(slope_x[g], x[1]);
            fill(slope_y[g], y[1]);
            fill(slope_z[g], z[1]);
        } else {
            fill(value_x[g], x[0]);
            fill(value_y[g], y[0]);
            fill(value_z[g], z[0]);
            fill(slope_x[g], 0);
            fill(slope_y[g], 0);
            fill(slope_z[g], 0);
        }
        two_s[g] = 2 * s[g];
        t_last[g] = s[g];
        fill(t_before[g], 1);
        fill(d_before[g], 0);
        fill(d_last[g], 1);
    }
    for (std::uint32_t i = 2; i < n; ++i) {
        for (std::size_t g = 0; g < GROUPS; ++g) {
            const Lanes t = two_s[g] * t_last[g] - t_before[g];
            const Lanes d = two_s[g] * d_last[g] + 2 * t_last[g] - d_before[g];
            value_x[g] += x[i] * t;
            value_y[g] += y[i] * t;
            value_z[g] += z[i] * t;
            slope_x[g] += x[i] * d;
            slope_y[g] += y[i] * d;
            slope_z[g] += z[i] * d;
            t_before[g] = t_last[g];
            t_last[g] = t;
            d_before[g] = d_last[g];
            d_last[g] = d;
        }
    }
    bool covered = true;
    for (std::size_t g = 0; g < GROUPS; ++g) {
        slope_x[g] /= radius;
        slope_y[g] /= radius;
        slope_z[g] /= radius;
        for (std::size_t lane = 0; lane < LANES && g * LANES + lane < count; ++lane) {
            // A NaN argument fails as well.
            covered &= std::abs(s[g][lane]) <= 1;
            states[g * LANES + lane] = {{value_x[g][lane], value_y[g][lane], value_z[g][lane]},
                                        {slope_x[g][lane], slope_y[g][lane], slope_z[g][lane]}};
        }
    }
    return covered;
}

}  // namespace orbyx
