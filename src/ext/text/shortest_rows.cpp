#include "ext/text/shortest_rows.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace orbyx {
namespace {

// Python's repr switches to an exponent below 1e-4 and from 1e16 on.
constexpr int LEAST_FIXED_EXPONENT = -4;
constexpr int FIRST_EXPONENT_FORM = 16;
// Room for a sign, 17 digits, a point and an exponent of three digits.
constexpr std::size_t SCIENTIFIC_CHARACTERS = 32;
// A guess at a row's values, enough to reserve the text once.
constexpr std::size_t CHARACTERS_PER_VALUE = 20;

void append_exponent(std::string& text, int exponent) {
    text += exponent < 0 ? "e-" : "e+";
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
}

}  // namespace

void append_shortest(std::string& text, double value) {
    if (std::isnan(value)) {
        text += "nan";
        return;
    }
    if (std::isinf(value)) {
        text += value < 0.0 ? "-inf" : "inf";
        return;
    }
    // to_chars gives the shortest digits that round-trip; only their layout is Python's.
    char buffer[SCIENTIFIC_CHARACTERS];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view scientific(buffer, static_cast<std::size_t>(written.ptr - buffer));
    if (scientific.front() == '-') {
        text += '-';
        scientific.remove_prefix(1);
    }
    const std::size_t exponent_at = scientific.find('e');
    std::string digits(1, scientific.front());
    if (exponent_at > 1) digits.append(scientific.substr(2, exponent_at - 2));
    std::string_view exponent_text = scientific.substr(exponent_at + 1);
    if (exponent_text.front() == '+') exponent_text.remove_prefix(1);
    int exponent = 0;
    std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);

    if (exponent < LEAST_FIXED_EXPONENT || exponent >= FIRST_EXPONENT_FORM) {
        text += digits.front();
        if (digits.size() > 1) {
            text += '.';
            text.append(digits, 1);
        }
        append_exponent(text, exponent);
    } else if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            text += digits;
            text.append(whole - digits.size(), '0');
            text += ".0";
        } else {
            text.append(digits, 0, whole);
            text += '.';
            text.append(digits, whole);
        }
    }
}

Result<std::string, std::string> shortest_rows(std::span<const std::string_view> prefixes,
                                               std::span<const double> values,
                                               std::span<const std::string_view> suffixes) {
    if (values.size() != prefixes.size() * suffixes.size()) {
        return failure("shortest_rows needs one value per suffix in each of the " + std::to_string(prefixes.size()) +
                       " rows (" + std::to_string(prefixes.size() * suffixes.size()) + "), not " +
                       std::to_string(values.size()));
    }
    std::size_t suffix_characters = 0;
    for (const auto suffix : suffixes) suffix_characters += suffix.size();
    std::string text;
    text.reserve(prefixes.size() * (suffix_characters + suffixes.size() * CHARACTERS_PER_VALUE +
                                    (prefixes.empty() ? 0 : prefixes.front().size())));
    std::size_t next = 0;
    for (const auto prefix : prefixes) {
        text += prefix;
        for (const auto suffix : suffixes) {
            append_shortest(text, values[next++]);
            text += suffix;
        }
    }
    return text;
}

}  // namespace orbyx
