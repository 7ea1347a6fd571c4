#pragma once

// Engines on the kernel excerpts in tests/data, with and without time kernels, for the position tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "spk/spk_ephemeris.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx::test {

inline const std::string ENGINE_DIGEST(64, 'a');
// de430-2015-03-02 covers TDB Julian days 2457080.5 to 2457088.5.
inline constexpr double DE430_START = 2457080.5;
inline constexpr double DE430_END = 2457088.5;
inline constexpr double DE430_MIDDLE = 2457084.3;

inline SpkEphemeris open_engine(const char* file) {
    auto engine = SpkEphemeris::open(test_data(file), ENGINE_DIGEST);
    EXPECT_TRUE(engine) << engine.error().message();
    return std::move(engine).value();
}

inline SpkEphemeris de430() { return open_engine("de430-2015-03-02.bsp"); }

inline LeapSecondKernel leap_seconds() {
    return LeapSecondKernel::open(test_data("leapseconds.tls"), ENGINE_DIGEST).value();
}

// Daily rows from MJD 57070 to 57100 (2015-02-18 to 2015-03-20) with smoothly
// varying DUT1 and pole coordinates.
inline EarthOrientationTable eop_2015(const ScratchDir& scratch) {
    std::string text = "# YR MM DD HH MJD x y UT1-UTC\n";
    for (int day = 0; day <= 30; ++day) {
        text += "2015 2 18 0 " + std::to_string(57070 + day) + ".00 " + std::to_string(0.02 + 0.001 * day) +
                " " + std::to_string(0.33 - 0.0005 * day) + " " + std::to_string(-0.45 - 0.0006 * day) + "\n";
    }
    const std::string path = scratch.write("eopc04.test", std::vector<std::uint8_t>(text.begin(), text.end()));
    return EarthOrientationTable::open(path, ENGINE_DIGEST).value();
}

inline SpkEphemeris de430_with_time_kernels(const ScratchDir& scratch) {
    return SpkEphemeris::with_time_kernels(de430(), leap_seconds(), eop_2015(scratch));
}

inline PositionOptions geometric(OriginKind origin, CoordinateSystem axes = CoordinateSystem::Ecliptic) {
    return PositionOptions{{origin}, axes, ReferenceEpoch::J2000};
}

inline PositionOptions apparent(OriginKind origin, CoordinateSystem axes = CoordinateSystem::Ecliptic) {
    PositionOptions options{{origin}, axes, ReferenceEpoch::OfDate};
    options.apparent = true;
    return options;
}

inline PositionOptions topocentric(PositionOptions options, GeodeticObserver site = {0, 0, 0}) {
    options.origin = Origin{OriginKind::Topocentric, site};
    return options;
}

template <class T>
std::string error_text(const Result<T, EphemerisError>& result) {
    return result ? "ok" : result.error().message();
}

inline Instant tdb(double julian_day) { return {julian_day, TimeScale::Tdb}; }

}  // namespace orbyx::test
