#pragma once

#include <string>
#include <string_view>

namespace orbyx {

// Every message and repr writes numbers and strings through these three, so that
// one double always reads the same wherever it appears.

// Shortest round-trip decimal, never in exponent form, integral values without a
// fraction: 2451545.0 -> "2451545", 1e21 -> "1000000000000000000000", -0.0 -> "-0".
std::string format_number(double value);

// The debug form: the same digits, integral values keep ".0", and a non-zero
// magnitude below 1e-4 or at least 1e16 is written in exponent form ("1e16", "1.5e-5").
std::string format_number_debug(double value);

// `text` (UTF-8) between double quotes, with quote, backslash and non-printable
// characters escaped: \" \\ \0 \t \r \n and \u{hex} for the rest.
std::string quote(std::string_view text);

}  // namespace orbyx
