#include "time/text_kernel.hpp"

#include <array>
#include <charconv>
#include <system_error>

#include "core/utf8.hpp"
#include "time/decimal_number.hpp"
#include "time/text_file.hpp"

namespace orbyx {
namespace {

bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool is_valid_key(std::string_view key) {
    if (key.empty() || !is_ascii_letter(key.front())) return false;
    for (char c : key) {
        if (!is_ascii_letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '/') return false;
    }
    return true;
}

// Decimal digits with an optional leading "+", fitting in `Integer`.
template <class Integer>
std::optional<Integer> parse_integer(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    Integer value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> parse_month(std::string_view text) {
    static constexpr std::array<std::string_view, 12> names = {
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (text.size() != 3) return std::nullopt;
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        if (upper == names[i]) return i + 1;
    }
    return std::nullopt;
}

std::int64_t floor_div(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t quotient = numerator / denominator;
    return quotient * denominator > numerator ? quotient - 1 : quotient;
}

}  // namespace

Result<std::string, LskError> extract_data_sections(std::string_view text) {
    std::string data;
    bool in_data = false;
    for (std::string_view line : split_lines(text)) {
        const std::string_view trimmed = trim_white_space(line);
        if (trimmed == "\\begindata") {
            in_data = true;
        } else if (trimmed == "\\begintext") {
            in_data = false;
        } else if (in_data) {
            data.append(line);
            data.push_back('\n');
        }
    }
    if (trim_white_space(data).empty()) return failure(LskError::no_data_section());
    return data;
}

TextKernelAssignments parse_assignments(std::string_view data) {
    TextKernelAssignments assignments;
    std::optional<std::pair<std::string, std::string>> pending;
    const auto store_pending = [&] {
        if (pending) {
            assignments.insert_or_assign(std::move(pending->first),
                                         std::string(trim_white_space(pending->second)));
        }
    };
    for (std::string_view line : split_lines(data)) {
        const std::string_view trimmed = trim_white_space(line);
        if (trimmed.empty()) continue;
        const std::size_t equals = trimmed.find('=');
        const std::string_view key = equals == std::string_view::npos
                                         ? std::string_view()
                                         : trim_white_space(trimmed.substr(0, equals));
        if (is_valid_key(key)) {
            store_pending();
            const std::string_view value = trim_white_space(trimmed.substr(equals + 1));
            pending.emplace(std::string(key), std::string(value) + " ");
        } else if (pending) {
            pending->second.append(trimmed).push_back(' ');
        }
    }
    store_pending();
    return assignments;
}

Result<double, LskError> scalar(const TextKernelAssignments& assignments, std::string_view key) {
    auto value = raw_value(assignments, key);
    if (!value) return failure(std::move(value).error());
    const std::vector<std::string_view> tokens = value_tokens(*value);
    if (tokens.size() != 1) {
        return failure(LskError::invalid_value(key, "expected a single scalar value"));
    }
    const std::optional<double> number = parse_number(tokens.front());
    if (!number) return failure(LskError::invalid_value(key, "value is not a valid number"));
    return *number;
}

Result<std::string_view, LskError> raw_value(const TextKernelAssignments& assignments,
                                             std::string_view key) {
    const auto found = assignments.find(std::string(key));
    if (found == assignments.end()) return failure(LskError::missing_keyword(key));
    return std::string_view(found->second);
}

std::vector<std::string_view> value_tokens(std::string_view value) {
    value = trim_white_space(value);
    while (!value.empty() && value.front() == '(') value.remove_prefix(1);
    while (!value.empty() && value.back() == ')') value.remove_suffix(1);

    std::vector<std::string_view> tokens;
    std::size_t token_begin = 0;
    for (std::size_t pos = 0; pos < value.size();) {
        const std::size_t separator_begin = pos;
        const char32_t c = next_code_point(value, pos);
        if (c == U',' || is_unicode_white_space(c)) {
            if (separator_begin > token_begin) {
                tokens.push_back(value.substr(token_begin, separator_begin - token_begin));
            }
            token_begin = pos;
        }
    }
    if (value.size() > token_begin) tokens.push_back(value.substr(token_begin));
    return tokens;
}

std::optional<double> parse_number(std::string_view token) {
    std::string text(token);
    for (char& c : text) {
        if (c == 'D' || c == 'd') c = 'E';
    }
    return parse_decimal_number(text);
}

Result<double, LskError> parse_date_literal(std::string_view token) {
    const auto invalid = [&] { return failure(LskError::invalid_date_literal(token)); };
    if (token.empty() || token.front() != '@') return invalid();

    std::array<std::string_view, 3> pieces;
    std::size_t piece_count = 0;
    const std::string_view date = token.substr(1);
    for (std::size_t begin = 0;;) {
        const std::size_t dash = date.find('-', begin);
        if (piece_count == pieces.size()) return invalid();
        const std::size_t length = dash == std::string_view::npos ? dash : dash - begin;
        pieces[piece_count++] = date.substr(begin, length);
        if (dash == std::string_view::npos) break;
        begin = dash + 1;
    }
    if (piece_count != pieces.size()) return invalid();

    const std::optional<std::int32_t> year = parse_integer<std::int32_t>(pieces[0]);
    if (!year) return invalid();
    const std::optional<std::uint32_t> month = parse_month(pieces[1]);
    if (!month) return invalid();
    const std::optional<std::uint32_t> day = parse_integer<std::uint32_t>(pieces[2]);
    if (!day || *day == 0) return invalid();
    return julian_day_number(*year, *month, *day) - 0.5;
}

double julian_day_number(std::int32_t year, std::uint32_t month, std::uint32_t day) {
    const std::int64_t a = month < 3 ? 1 : 0;
    const std::int64_t y = std::int64_t{year} + 4800 - a;
    const std::int64_t m = std::int64_t{month} + 12 * a - 3;
    const std::int64_t jdn = std::int64_t{day} + floor_div(153 * m + 2, 5) + 365 * y +
                             floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400) - 32045;
    return static_cast<double>(jdn);
}

}  // namespace orbyx
