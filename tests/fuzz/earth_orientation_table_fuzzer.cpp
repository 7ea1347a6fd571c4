// Arbitrary bytes as an IERS EOP 20 C04 table: parsing must succeed or fail with
// an error; a parsed table must return each of its rows unchanged at the row's own
// day, and must interpolate, invert UT1 and serve the leap-second conversions at
// any day without crashing.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "fuzz_support.hpp"
#include "time_kernels.hpp"

namespace {

using namespace orbyx;

// Rows beyond these add no new paths, only time.
constexpr std::size_t MAX_SAMPLES_VISITED = 8;

void check_row_returned_unchanged(const EarthOrientationTable& table, const EopSample& row) {
    const auto sample = table.interpolated_sample(row.utc_julian_day);
    if (!sample || std::memcmp(&*sample, &row, sizeof row) != 0) {
        std::fprintf(stderr, "the row of UTC Julian day %.17g did not come back unchanged\n", row.utc_julian_day);
        std::abort();
    }
}

std::vector<double> julian_days(const EarthOrientationTable& table) {
    const auto& samples = table.samples();
    const double first = samples.front().utc_julian_day;
    const double last = samples.back().utc_julian_day;
    std::vector<double> days = {first, last, first + (last - first) / 2, std::nextafter(first, -INFINITY),
                                std::nextafter(last, INFINITY), 2451545.0,
                                std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()};
    for (std::size_t i = 0; i < std::min(samples.size(), MAX_SAMPLES_VISITED); ++i) {
        const double day = samples[i].utc_julian_day;
        days.insert(days.end(), {std::nextafter(day, INFINITY), day + 0.5});
    }
    return days;
}

void use(const EarthOrientationTable& table) {
    const auto& samples = table.samples();
    for (std::size_t i = 0; i < std::min(samples.size(), MAX_SAMPLES_VISITED); ++i) {
        check_row_returned_unchanged(table, samples[i]);
    }
    check_row_returned_unchanged(table, samples.back());

    const LeapSecondKernel& leap_seconds = fuzz::fixed_leap_second_kernel();
    for (const double day : julian_days(table)) {
        fuzz::render(table.interpolated_sample(day));
        fuzz::render(table.polar_motion_arcsec(day));
        fuzz::render(table.utc_julian_day_from_ut1(day));
        for (const TimeScale scale : fuzz::TIME_SCALES) {
            fuzz::render(leap_seconds.tdb_seconds_with_eop(scale, table, day));
            fuzz::render(leap_seconds.ut1_julian_day(scale, table, day));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::MemoryFile file(data, size);
    auto table = EarthOrientationTable::open(file.path(), fuzz::SHA256);
    fuzz::render(table);
    if (!table) return 0;
    use(*table);
    return 0;
}
