#pragma once

#include <optional>
#include <string_view>

namespace orbyx {

// A decimal floating-point number: optional sign, then digits with an optional
// point (or a point and digits) and an optional exponent, or "inf", "infinity" or
// "nan" in any case. Nothing else, not even surrounding white space. Correctly
// rounded; magnitudes beyond the double range become infinity or zero.
std::optional<double> parse_decimal_number(std::string_view text);

}  // namespace orbyx
