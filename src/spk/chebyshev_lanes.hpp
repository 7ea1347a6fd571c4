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

// Where a record's velocity comes from: the derivative of its position series
// (Type 2), or three series of its own after the position's (Type 3).
enum class ChebyshevVelocity { Derivative, Series };

// States from one record (MID, RADIUS, then n coefficients per series) at the
// GROUPS x lanes `epochs`, of which the first `count` are stored. The series share
// T(i) (and T'(i)), so one pass serves them; each series is still summed in increasing
// i, exactly as a pass per series would. Returns whether the `count` arguments lie
// within [-1, 1].
template <class Lanes, std::size_t GROUPS, ChebyshevVelocity VELOCITY = ChebyshevVelocity::Derivative>
[[gnu::always_inline]] inline bool chebyshev_groups(const double* record, std::uint32_t n, const double* epochs,
                                                    std::size_t count, StateVector* states) {
    constexpr std::size_t LANES = LANE_COUNT<Lanes>;
    constexpr bool DERIVATIVE = VELOCITY == ChebyshevVelocity::Derivative;
    const double midpoint = record[0];
    const double radius = record[1];
    const double* x = record + 2;
    const double* y = x + n;
    const double* z = y + n;
    // Type 3's velocity series; unused by Type 2.
    const double* vx = z + n;
    const double* vy = vx + n;
    const double* vz = vy + n;
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
            if constexpr (DERIVATIVE) {
                fill(slope_x[g], x[1]);
                fill(slope_y[g], y[1]);
                fill(slope_z[g], z[1]);
            } else {
                slope_x[g] = vx[0] + s[g] * vx[1];
                slope_y[g] = vy[0] + s[g] * vy[1];
                slope_z[g] = vz[0] + s[g] * vz[1];
            }
        } else {
            fill(value_x[g], x[0]);
            fill(value_y[g], y[0]);
            fill(value_z[g], z[0]);
            fill(slope_x[g], DERIVATIVE ? 0 : vx[0]);
            fill(slope_y[g], DERIVATIVE ? 0 : vy[0]);
            fill(slope_z[g], DERIVATIVE ? 0 : vz[0]);
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
            value_x[g] += x[i] * t;
            value_y[g] += y[i] * t;
            value_z[g] += z[i] * t;
            if constexpr (DERIVATIVE) {
                const Lanes d = two_s[g] * d_last[g] + 2 * t_last[g] - d_before[g];
                slope_x[g] += x[i] * d;
                slope_y[g] += y[i] * d;
                slope_z[g] += z[i] * d;
                d_before[g] = d_last[g];
                d_last[g] = d;
            } else {
                slope_x[g] += vx[i] * t;
                slope_y[g] += vy[i] * t;
                slope_z[g] += vz[i] * t;
            }
            t_before[g] = t_last[g];
            t_last[g] = t;
        }
    }
    bool covered = true;
    for (std::size_t g = 0; g < GROUPS; ++g) {
        if constexpr (DERIVATIVE) {
            slope_x[g] /= radius;
            slope_y[g] /= radius;
            slope_z[g] /= radius;
        }
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
