#include "ext/time/calendar_date.hpp"

#include <cmath>
#include <variant>

#include "core/constants.hpp"
#include "core/format.hpp"
#include "spk/spk_ephemeris.hpp"
#include "time/text_kernel.hpp"

namespace orbyx {
namespace {

// Far enough for any Julian day a double holds to the second; small enough that
// the day number's integer arithmetic cannot overflow.
constexpr std::int64_t YEAR_LIMIT = 1'000'000;

bool is_leap_year(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::int64_t days_in_month(std::int64_t year, std::int64_t month) {
    static constexpr std::int64_t DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : DAYS[month - 1];
}

// The same day numbers as the leap-second kernel's dates, so that a midnight
// lands exactly on a table entry.
double midnight_julian_day(const CalendarDate& date) {
    return julian_day_number(static_cast<std::int32_t>(date.year),
                             static_cast<std::uint32_t>(date.month),
                             static_cast<std::uint32_t>(date.day)) -
           0.5;
}

Result<std::monostate, std::string> check_fields(const CalendarDate& date) {
    auto out_of_range = [](std::string_view field, std::int64_t value) {
        return failure("calendar " + std::string(field) + " " + std::to_string(value) +
                       " is out of range");
    };
    if (date.year < -YEAR_LIMIT || date.year > YEAR_LIMIT) return out_of_range("year", date.year);
    if (date.month < 1 || date.month > 12) return out_of_range("month", date.month);
    if (date.day < 1 || date.day > days_in_month(date.year, date.month)) {
        return out_of_range("day", date.day);
    }
    if (date.hour < 0 || date.hour > 23) return out_of_range("hour", date.hour);
    if (date.minute < 0 || date.minute > 59) return out_of_range("minute", date.minute);
    if (!(date.second >= 0.0 && date.second < 61.0)) {
        return failure("calendar second " + format_number(date.second) +
                       " must be at least 0 and less than 61");
    }
    return std::monostate{};
}

// TAI - UTC steps up by one second at the end of `date`'s day.
bool ends_with_leap_second(const LeapSecondKernel& kernel, double next_midnight) {
    const auto& entries = kernel.entries();
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].utc_julian_day == next_midnight) {
            return entries[i].delta_at - entries[i - 1].delta_at == 1.0;
        }
    }
    return false;
}

Result<Instant, std::string> leap_second_instant(const CalendarDate& date, double midnight,
                                                 const SpkEphemeris* engine) {
    if (date.hour != 23 || date.minute != 59) {
        return failure("calendar second " + format_number(date.second) +
                       " must be less than 60 outside a leap second");
    }
    const LeapSecondKernel* kernel = engine ? engine->leap_second_kernel() : nullptr;
    if (kernel == nullptr) {
        return failure(std::string("a leap second needs an engine with a leap-second kernel"));
    }
    const double next_midnight = midnight + 1.0;
    if (!ends_with_leap_second(*kernel, next_midnight)) {
        return failure("the leap-second kernel has no leap second at the end of this day");
    }
    const auto tt = engine->instant_as_tt(Instant{next_midnight, TimeScale::Utc});
    if (!tt) return failure(tt.error().message());
    return Instant{*tt - (61.0 - date.second) / SECONDS_PER_DAY, TimeScale::Tt};
}

}  // namespace

Result<Instant, std::string> instant_from_calendar(const CalendarDate& date, TimeScale scale,
                                                   const SpkEphemeris* engine) {
    if (auto valid = check_fields(date); !valid) return failure(std::move(valid).error());
    const double midnight = midnight_julian_day(date);
    if (date.second >= 60.0) {
        if (scale != TimeScale::Utc) {
            return failure(std::string("calendar second must be less than 60 outside UTC"));
        }
        return leap_second_instant(date, midnight, engine);
    }
    const double seconds_of_day =
        static_cast<double>(date.hour * 3600 + date.minute * 60) + date.second;
    return Instant{midnight + seconds_of_day / SECONDS_PER_DAY, scale};
}

CalendarDate calendar_from_julian_day(double julian_day) {
    // Days counted from the midnight that starts the Julian day's civil date.
    const double shifted = julian_day + 0.5;
    const double day_number = std::floor(shifted);
    double second = (shifted - day_number) * SECONDS_PER_DAY;
    auto whole_day = static_cast<std::int64_t>(day_number);
    if (second >= SECONDS_PER_DAY) {  // the fraction rounded up to a whole day
        second = 0.0;
        ++whole_day;
    }
    // Richards' algorithm for the proleptic Gregorian calendar, on floored divisions.
    auto floor_div = [](std::int64_t a, std::int64_t b) {
        return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
    };
    const std::int64_t f = whole_day + 1401 + floor_div(floor_div(4 * whole_day + 274277, 146097) * 3, 4) - 38;
    const std::int64_t e = 4 * f + 3;
    const std::int64_t g = floor_div(e - 1461 * floor_div(e, 1461), 4);
    const std::int64_t h = 5 * g + 2;
    const std::int64_t day = floor_div(h - 153 * floor_div(h, 153), 5) + 1;
    const std::int64_t month = (floor_div(h, 153) + 2) % 12 + 1;
    const std::int64_t year = floor_div(e, 1461) - 4716 + floor_div(14 - month, 12);
    const auto whole_seconds = static_cast<std::int64_t>(second);
    return {year, month, day, whole_seconds / 3600, whole_seconds / 60 % 60,
            second - static_cast<double>(whole_seconds - whole_seconds % 60)};
}

}  // namespace orbyx
