// Arbitrary bytes as a NAIF leap-second kernel: parsing must succeed or fail with
// an error, and a parsed kernel must convert between every pair of time scales at
// any Julian day (its own leap-second dates included) without crashing.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "fuzz_support.hpp"
#include "time_kernels.hpp"

namespace {

using namespace orbyx;

// Entries beyond these add no new paths, only time.
constexpr std::size_t MAX_ENTRIES_VISITED = 8;

std::vector<double> julian_days(const LeapSecondKernel& kernel) {
    std::vector<double> days = {2441317.5, 2441499.4999, 2451545.0, 2457754.5, 0.0, -1e300, 1e300,
                                std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
    const auto& entries = kernel.entries();
    for (std::size_t i = 0; i < std::min(entries.size(), MAX_ENTRIES_VISITED); ++i) {
        const double day = entries[i].utc_julian_day;
        days.insert(days.end(), {std::nextafter(day, -INFINITY), day, day + 0.5});
    }
    return days;
}

void convert(const LeapSecondKernel& kernel) {
    const EarthOrientationTable& eop = fuzz::fixed_earth_orientation_table();
    for (const double day : julian_days(kernel)) {
        for (const TimeScale scale : fuzz::TIME_SCALES) {
            fuzz::render(kernel.tdb_seconds(scale, day));
            fuzz::render(kernel.tdb_seconds_with_eop(scale, eop, day));
            fuzz::render(kernel.tt_julian_day(scale, nullptr, day));
            fuzz::render(kernel.tt_julian_day(scale, &eop, day));
            fuzz::render(kernel.utc_julian_day(scale, nullptr, day));
            fuzz::render(kernel.utc_julian_day(scale, &eop, day));
            fuzz::render(kernel.ut1_julian_day(scale, eop, day));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::MemoryFile file(data, size);
    auto kernel = LeapSecondKernel::open(file.path(), fuzz::SHA256);
    fuzz::render(kernel);
    if (!kernel) return 0;
    convert(*kernel);
    return 0;
}
