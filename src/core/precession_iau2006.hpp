#pragma once

namespace orbyx {

// The four Fukushima-Williams bias-precession angles of IAU 2006.
struct FukushimaWilliamsAngles {
    double gamma_bar_rad;
    double phi_bar_rad;
    double psi_bar_rad;
    double epsilon_a_rad;  // mean obliquity of date
};

FukushimaWilliamsAngles fukushima_williams_iau2006(double julian_centuries);

// Mean obliquity of the ecliptic of date, IAU 2006.
double mean_obliquity_iau2006_rad(double julian_centuries);

}  // namespace orbyx
