#pragma once

namespace orbyx {

// ΔT = TT - UT1 in seconds at a TT Julian day, from the published splines from 720 BC
// to AD 2019 and the long-term parabola beyond them, bridged smoothly.
double modelled_delta_t_seconds(double tt_julian_day);

// ΔT where time tables begin or end.
struct DeltaTAtEdge {
    double tt_julian_day;
    double delta_t_seconds;
};

// ΔT outside tables spanning `first` to `last`: the model, continuous with the
// tables at their edges. Between the edges, where the tables may still refuse an
// instant near one, the model moved onto the nearer edge's value.
double joined_delta_t_seconds(double tt_julian_day, const DeltaTAtEdge& first,
                              const DeltaTAtEdge& last);

}  // namespace orbyx
