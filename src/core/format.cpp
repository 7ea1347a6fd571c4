#include "core/format.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "core/utf8.hpp"

namespace orbyx {
namespace {

// Shortest round-trip digits of a finite, non-zero magnitude and the decimal
// exponent of the first digit: value = 0.d1d2d3... x 10^(point).
struct Digits {
    std::string digits;
    int point;
};

Digits shortest_digits(double magnitude) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    Digits out;
    for (char c : text.substr(0, e)) {
        if (c != '.') out.digits.push_back(c);
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(),
                    exponent);
    out.point = exponent + 1;
    return out;
}

std::string plain(const Digits& d) {
    const int count = static_cast<int>(d.digits.size());
    if (d.point <= 0) return "0." + std::string(static_cast<std::size_t>(-d.point), '0') + d.digits;
    if (d.point >= count) return d.digits + std::string(static_cast<std::size_t>(d.point - count), '0');
    return d.digits.substr(0, static_cast<std::size_t>(d.point)) + "." +
           d.digits.substr(static_cast<std::size_t>(d.point));
}

std::string exponent_form(const Digits& d) {
    std::string out = d.digits.substr(0, 1);
    if (d.digits.size() > 1) {
        out += '.';
        out.append(d.digits, 1);
    }
    out += 'e';
    out += std::to_string(d.point - 1);
    return out;
}

std::string sign_of(double value) { return std::signbit(value) ? "-" : ""; }

// Characters a reader cannot see: controls, format characters, separators,
// combining marks, private use and non-characters.
bool is_printable(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    if (c == 0xAD || (c >= 0x300 && c <= 0x36F) || (c >= 0x600 && c <= 0x605) || c == 0x61C ||
        c == 0x6DD || c == 0x70F || c == 0x180E) {
        return false;
    }
    if ((c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
        (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB)) {
        return false;
    }
    if ((c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000 || (c >= 0xFDD0 && c <= 0xFDEF) ||
        (c & 0xFFFE) == 0xFFFE) {
        return false;
    }
    return true;
}

}  // namespace

std::string format_number(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    if (value == 0) return sign_of(value) + "0";
    return sign_of(value) + plain(shortest_digits(std::fabs(value)));
}

std::string format_number_debug(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    if (value == 0) return sign_of(value) + "0.0";
    const double magnitude = std::fabs(value);
    const Digits d = shortest_digits(magnitude);
    if (magnitude < 1e-4 || magnitude >= 1e16) return sign_of(value) + exponent_form(d);
    std::string text = plain(d);
    if (text.find('.') == std::string::npos) text += ".0";
    return sign_of(value) + text;
}

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t c = next_code_point(text, pos);
        switch (c) {
            case U'"': out += "\\\""; break;
            case U'\\': out += "\\\\"; break;
            case U'\0': out += "\\0"; break;
            case U'\t': out += "\\t"; break;
            case U'\r': out += "\\r"; break;
            case U'\n': out += "\\n"; break;
            default:
                if (is_printable(c)) {
                    out.append(text.substr(start, pos - start));
                } else {
                    char buffer[16];
                    std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(c));
                    out += buffer;
                }
        }
    }
    return out + "\"";
}

}  // namespace orbyx
