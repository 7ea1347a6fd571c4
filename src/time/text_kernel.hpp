#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/result.hpp"
#include "time/leap_second_kernel.hpp"

// The subset of the NAIF text-kernel grammar that the leap-second kernel needs.
namespace orbyx {

// Key -> value text of every assignment in the data sections.
using TextKernelAssignments = std::unordered_map<std::string, std::string>;

// The lines between "\begindata" and "\begintext" markers, each followed by LF.
Result<std::string, LskError> extract_data_sections(std::string_view text);

// "KEY = value" lines; lines that are no assignment continue the pending value.
TextKernelAssignments parse_assignments(std::string_view data);

// The one number assigned to `key`.
Result<double, LskError> scalar(const TextKernelAssignments& assignments, std::string_view key);

Result<std::string_view, LskError> raw_value(const TextKernelAssignments& assignments,
                                             std::string_view key);

// The value without its outer parentheses, split at white space and commas.
std::vector<std::string_view> value_tokens(std::string_view value);

// A decimal number whose exponent may be written with D or d (1.657D-3).
std::optional<double> parse_number(std::string_view token);

// "@YEAR-MON-DAY" -> Julian day of 00:00 UTC of that date.
Result<double, LskError> parse_date_literal(std::string_view token);

// Proleptic Gregorian calendar; a day past the month's end counts on.
double julian_day_number(std::int32_t year, std::uint32_t month, std::uint32_t day);

}  // namespace orbyx
