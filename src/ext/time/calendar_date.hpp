#pragma once

#include <cstdint>
#include <string>

#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

class SpkEphemeris;

// A proleptic Gregorian date and time of day; `second` carries the fraction and
// reaches 60 only inside a leap second.
struct CalendarDate {
    std::int64_t year;
    std::int64_t month;
    std::int64_t day;
    std::int64_t hour;
    std::int64_t minute;
    double second;
};

// The Julian day of `date` read in `scale`, or why it cannot be. A UTC leap second
// (23:59:60 before a day whose TAI - UTC in the engine's leap-second table is one
// second more) has no UTC Julian day, since those run 86400 seconds a day: it comes
// back in TT, one second less the fraction before the TT of the next midnight.
// `engine` is needed for a leap second only.
Result<Instant, std::string> instant_from_calendar(const CalendarDate& date, TimeScale scale,
                                                   const SpkEphemeris* engine);

// The date and time of day of a Julian day, in whatever scale the day is read.
CalendarDate calendar_from_julian_day(double julian_day);

}  // namespace orbyx
