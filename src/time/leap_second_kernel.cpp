#include "time/leap_second_kernel.hpp"

#include "core/provenance.hpp"
#include "time/text_file.hpp"
#include "time/text_kernel.hpp"

namespace orbyx {
namespace {

constexpr std::string_view DELTA_AT_KEY = "DELTET/DELTA_AT";
constexpr std::string_view M_KEY = "DELTET/M";

Result<std::vector<LeapSecondEntry>, LskError> parse_delta_at(
    const TextKernelAssignments& assignments) {
    auto value = raw_value(assignments, DELTA_AT_KEY);
    if (!value) return failure(std::move(value).error());
    const std::vector<std::string_view> tokens = value_tokens(*value);
    if (tokens.empty() || tokens.size() % 2 != 0) {
        return failure(LskError::invalid_value(
            DELTA_AT_KEY, "expected a non-empty sequence of (delta, date) pairs"));
    }
    std::vector<LeapSecondEntry> entries;
    entries.reserve(tokens.size() / 2);
    for (std::size_t i = 0; i < tokens.size(); i += 2) {
        const std::optional<double> delta_at = parse_number(tokens[i]);
        if (!delta_at) {
            return failure(
                LskError::invalid_value(DELTA_AT_KEY, "delta value is not a valid number"));
        }
        auto utc_julian_day = parse_date_literal(tokens[i + 1]);
        if (!utc_julian_day) return failure(std::move(utc_julian_day).error());
        entries.push_back({*delta_at, *utc_julian_day});
    }
    return entries;
}

}  // namespace

Result<LeapSecondKernel, LskError> LeapSecondKernel::open(std::string_view path,
                                                          std::string_view sha256) {
    std::optional<std::string> name = file_name_of(path);
    if (!name) return failure(LskError::path_has_no_utf8_file_name());
    auto text = read_text_file(path);
    if (!text) return failure(LskError::io(std::move(text).error()));
    // The checksum is only a label, so a malformed one is reported for a readable file only.
    if (!is_sha256_hex(sha256)) return failure(LskError::invalid_sha256());

    auto data = extract_data_sections(*text);
    if (!data) return failure(std::move(data).error());
    const TextKernelAssignments assignments = parse_assignments(*data);

    LeapSecondKernel kernel;
    kernel.name_ = std::move(*name);
    const std::pair<std::string_view, double*> scalars[] = {
        {"DELTET/DELTA_T_A", &kernel.delta_t_a_},
        {"DELTET/K", &kernel.k_},
        {"DELTET/EB", &kernel.eb_},
    };
    for (const auto& [key, field] : scalars) {
        auto value = scalar(assignments, key);
        if (!value) return failure(std::move(value).error());
        *field = *value;
    }

    auto m = raw_value(assignments, M_KEY);
    if (!m) return failure(std::move(m).error());
    const std::vector<std::string_view> m_tokens = value_tokens(*m);
    if (m_tokens.size() != 2) {
        return failure(LskError::invalid_value(M_KEY, "expected exactly two values (M0 and M1)"));
    }
    const std::optional<double> m0 = parse_number(m_tokens[0]);
    if (!m0) return failure(LskError::invalid_value(M_KEY, "M0 is not a valid number"));
    const std::optional<double> m1 = parse_number(m_tokens[1]);
    if (!m1) return failure(LskError::invalid_value(M_KEY, "M1 is not a valid number"));
    kernel.m0_ = *m0;
    kernel.m1_ = *m1;

    auto entries = parse_delta_at(assignments);
    if (!entries) return failure(std::move(entries).error());
    for (std::size_t i = 1; i < entries->size(); ++i) {
        if ((*entries)[i].utc_julian_day <= (*entries)[i - 1].utc_julian_day) {
            return failure(LskError::delta_at_not_ascending());
        }
    }
    kernel.entries_ = std::move(*entries);
    kernel.sha256_ = ascii_lowercase(sha256);
    return kernel;
}

}  // namespace orbyx
