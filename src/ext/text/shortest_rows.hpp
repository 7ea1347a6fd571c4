#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/result.hpp"

namespace orbyx {

// Appends `value` in its shortest round-trip decimal form, laid out as Python's repr
// lays a float out (100.0, 0.0001, 1e-05, 1.5e+16, -0.0, nan, inf), so that a table
// written by the command reads back to the same bits and matches what Python prints.
void append_shortest(std::string& text, double value);

// A table's rows as one text: row r is prefixes[r], then each of its values followed
// by its column's suffix. `values` run row by row, one per suffix in each row; any
// other count is an error.
Result<std::string, std::string> shortest_rows(std::span<const std::string_view> prefixes,
                                               std::span<const double> values,
                                               std::span<const std::string_view> suffixes);

}  // namespace orbyx
