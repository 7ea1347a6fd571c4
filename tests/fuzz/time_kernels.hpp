#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "core/types.hpp"
#include "fuzz_support.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

namespace orbyx::fuzz {

inline constexpr std::array<TimeScale, 4> TIME_SCALES = {TimeScale::Utc, TimeScale::Ut1, TimeScale::Tt,
                                                         TimeScale::Tdb};

// A well-formed partner for a fuzzed time kernel, so that conversions needing both
// reach the fuzzed one: two leap seconds and EOP rows around them and J2000.
inline constexpr std::string_view FIXED_LEAP_SECOND_KERNEL = R"(\begindata
DELTET/DELTA_T_A = 32.184
DELTET/K = 1.657D-3
DELTET/EB = 1.671D-2
DELTET/M = ( 6.239996D0 1.99096871D-7 )
DELTET/DELTA_AT = ( 10, @1972-JAN-1
                    11, @1972-JUL-1 )
)";

inline constexpr std::string_view FIXED_EOP_TABLE =
    "# YR MM DD HH MJD x y UT1-UTC\n"
    "1972  1  1  0 41317.00 0.120 0.136  0.0431 0 0\n"
    "1972  7  1  0 41499.00 0.080 0.280 -0.2900 0 0\n"
    "2000  1  1  0 51544.00 0.043 0.378  0.3554 0 0\n"
    "2000  1  2  0 51545.00 0.043 0.377  0.3549 0 0\n";

[[noreturn]] inline void fixture_failed(const std::string& message) {
    std::fprintf(stderr, "fixed time kernel rejected: %s\n", message.c_str());
    std::abort();
}

inline const LeapSecondKernel& fixed_leap_second_kernel() {
    static const LeapSecondKernel kernel = [] {
        const MemoryFile file(FIXED_LEAP_SECOND_KERNEL);
        auto opened = LeapSecondKernel::open(file.path(), SHA256);
        if (!opened) fixture_failed(opened.error().message());
        return std::move(opened).value();
    }();
    return kernel;
}

inline const EarthOrientationTable& fixed_earth_orientation_table() {
    static const EarthOrientationTable table = [] {
        const MemoryFile file(FIXED_EOP_TABLE);
        auto opened = EarthOrientationTable::open(file.path(), SHA256);
        if (!opened) fixture_failed(opened.error().message());
        return std::move(opened).value();
    }();
    return table;
}

}  // namespace orbyx::fuzz
