#include "time/decimal_number.hpp"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace orbyx {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_digit(text[pos])) ++pos;
    return pos;
}

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[i]) return false;
    }
    return true;
}

// Digits with an optional point, or a point and digits, then an optional exponent.
bool is_unsigned_decimal(std::string_view text) {
    std::size_t pos = skip_digits(text, 0);
    std::size_t digit_count = pos;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fraction_end = skip_digits(text, pos + 1);
        digit_count += fraction_end - pos - 1;
        pos = fraction_end;
    }
    if (digit_count == 0) return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
        const std::size_t exponent_end = skip_digits(text, pos);
        if (exponent_end == pos) return false;
        pos = exponent_end;
    }
    return pos == text.size();
}

// std::from_chars leaves the value alone when it overflows or underflows; strtod
// rounds such magnitudes correctly (to infinity, zero or a subnormal). The text
// handed to it has no decimal point, so the locale cannot change the reading.
double parse_beyond_double_range(std::string_view text) {
    constexpr long long exponent_cap = 1'000'000'000'000'000;
    std::string digits;
    long long fraction_digits = 0;
    long long exponent = 0;
    bool in_fraction = false;
    std::size_t pos = 0;
    for (; pos < text.size() && text[pos] != 'e' && text[pos] != 'E'; ++pos) {
        if (text[pos] == '.') {
            in_fraction = true;
            continue;
        }
        digits.push_back(text[pos]);
        if (in_fraction) ++fraction_digits;
    }
    if (pos < text.size()) {
        ++pos;
        const bool negative = text[pos] == '-';
        if (text[pos] == '+' || text[pos] == '-') ++pos;
        for (; pos < text.size(); ++pos) {
            if (exponent < exponent_cap) exponent = exponent * 10 + (text[pos] - '0');
        }
        if (negative) exponent = -exponent;
    }
    const std::string scientific = digits + "e" + std::to_string(exponent - fraction_digits);
    return std::strtod(scientific.c_str(), nullptr);
}

double parse_magnitude(std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) return parse_beyond_double_range(text);
    return value;
}

}  // namespace

std::optional<double> parse_decimal_number(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    double magnitude;
    if (equals_ignoring_ascii_case(text, "inf") || equals_ignoring_ascii_case(text, "infinity")) {
        magnitude = std::numeric_limits<double>::infinity();
    } else if (equals_ignoring_ascii_case(text, "nan")) {
        magnitude = std::numeric_limits<double>::quiet_NaN();
    } else if (is_unsigned_decimal(text)) {
        magnitude = parse_magnitude(text);
    } else {
        return std::nullopt;
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace orbyx
