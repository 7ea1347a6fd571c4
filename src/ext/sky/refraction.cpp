#include "ext/sky/refraction.hpp"

#include <cmath>
#include <string>

#include "core/constants.hpp"
#include "core/format.hpp"

namespace orbyx {
namespace {

constexpr double LOWEST_REFRACTED_DEG = -1.0;
constexpr double HIGHEST_REFRACTED_DEG = 89.9;
constexpr double ABSOLUTE_ZERO_C = -273.15;

// Bennett (1982) as Meeus gives it (Astronomical Algorithms, 2nd ed., ch. 16, eq. 16.4):
// R = 1' / tan(h0 + 7.31 / (h0 + 4.4)) from the observed altitude h0 in degrees, for
// 1010 mbar and 10 C, scaled by pressure and temperature as 0.28 P / (T + 273), which
// is Meeus's (P / 1010)(283 / (273 + T)) with its constants rounded. The arcminute is
// written 0.016667 degrees, as the usual implementations do.
double bennett_refraction_deg(double observed_altitude_deg, const Atmosphere& air) {
    const double argument_deg = observed_altitude_deg + 7.31 / (observed_altitude_deg + 4.4);
    return 0.016667 / std::tan(argument_deg * DEGREES_TO_RADIANS) *
           (0.28 * air.pressure_mbar / (air.temperature_c + 273.0));
}

}  // namespace

Result<Atmosphere, EphemerisError> checked_atmosphere(double pressure_mbar, double temperature_c) {
    if (!(std::isfinite(pressure_mbar) && pressure_mbar >= 0.0)) {
        return failure(EphemerisError::invalid_request("pressure_mbar must be finite and at least 0, got " +
                                                       format_number(pressure_mbar)));
    }
    if (!(std::isfinite(temperature_c) && temperature_c > ABSOLUTE_ZERO_C)) {
        return failure(EphemerisError::invalid_request(
            "temperature_c must be finite and above absolute zero (-273.15), got " + format_number(temperature_c)));
    }
    return Atmosphere{pressure_mbar, temperature_c};
}

double observed_altitude_deg(double true_altitude_deg, const Atmosphere& air) {
    if (!(true_altitude_deg >= LOWEST_REFRACTED_DEG && true_altitude_deg <= HIGHEST_REFRACTED_DEG)) {
        return true_altitude_deg;
    }
    // Bennett's formula takes the observed altitude, so it is solved for it: the
    // refraction changes by at most a third as fast as the altitude, and the steps
    // shrink geometrically to the last bit.
    double observed = true_altitude_deg;
    for (int step = 0; step < 64; ++step) {
        const double next = true_altitude_deg + bennett_refraction_deg(observed, air);
        if (next == observed) break;
        observed = next;
    }
    return observed;
}

}  // namespace orbyx
