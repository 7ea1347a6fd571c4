#include "time/earth_orientation_table.hpp"

#include <algorithm>
#include <cmath>

#include "core/constants.hpp"
#include "core/provenance.hpp"
#include "core/same_bits.hpp"
#include "core/utf8.hpp"
#include "time/decimal_number.hpp"
#include "time/text_file.hpp"

namespace orbyx {
namespace {

constexpr double MJD_TO_JULIAN_DAY = 2400000.5;

// Fields of `line` separated by runs of white space, at most `limit` of them.
std::vector<std::string_view> leading_fields(std::string_view line, std::size_t limit) {
    std::vector<std::string_view> fields;
    std::size_t field_begin = 0;
    for (std::size_t pos = 0; pos < line.size() && fields.size() < limit;) {
        const std::size_t separator_begin = pos;
        if (is_unicode_white_space(next_code_point(line, pos))) {
            if (separator_begin > field_begin) {
                fields.push_back(line.substr(field_begin, separator_begin - field_begin));
            }
            field_begin = pos;
        }
    }
    if (fields.size() < limit && line.size() > field_begin) {
        fields.push_back(line.substr(field_begin));
    }
    return fields;
}

double blend(double previous, double next, double fraction) {
    return std::fma(previous, 1 - fraction, next * fraction);
}

}  // namespace

Result<EopSample, EopError> parse_c04_line(std::string_view line, std::uint64_t line_number) {
    // year, month, day, hour, MJD, x, y, UT1-UTC, then columns that are not read.
    const std::vector<std::string_view> fields = leading_fields(line, 8);
    if (fields.size() < 8) return failure(EopError::invalid_line(line_number));
    double values[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<double> value = parse_decimal_number(fields[4 + i]);
        if (!value) return failure(EopError::invalid_line(line_number));
        values[i] = *value;
    }
    const auto [mjd, x, y, dut1] = values;
    if (!std::isfinite(mjd) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(dut1)) {
        return failure(EopError::non_finite());
    }
    return EopSample{mjd + MJD_TO_JULIAN_DAY, dut1, x, y};
}

Result<EarthOrientationTable, EopError> EarthOrientationTable::open(std::string_view path,
                                                                    std::string_view sha256) {
    std::optional<std::string> name = file_name_of(path);
    if (!name) return failure(EopError::path_has_no_file_name());
    auto text = read_text_file(path);
    if (!text) return failure(EopError::io(std::move(text).error()));
    if (!is_sha256_hex(sha256)) return failure(EopError::invalid_sha256());

    EarthOrientationTable table;
    std::uint64_t line_number = 0;
    for (std::string_view line : split_lines(*text)) {
        ++line_number;
        const std::string_view trimmed = trim_white_space(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        auto sample = parse_c04_line(trimmed, line_number);
        if (!sample) return failure(std::move(sample).error());
        table.samples_.push_back(*sample);
    }
    if (table.samples_.empty()) return failure(EopError::no_samples());
    for (std::size_t i = 1; i < table.samples_.size(); ++i) {
        if (table.samples_[i].utc_julian_day <= table.samples_[i - 1].utc_julian_day) {
            return failure(EopError::not_increasing());
        }
    }
    table.name_ = std::move(*name);
    table.sha256_ = ascii_lowercase(sha256);
    return table;
}

Result<EopSample, EopError> EarthOrientationTable::interpolated_sample(
    double utc_julian_day) const {
    if (!std::isfinite(utc_julian_day)) return failure(EopError::non_finite());
    const double first = samples_.front().utc_julian_day;
    const double last = samples_.back().utc_julian_day;
    if (utc_julian_day < first || utc_julian_day > last) {
        return failure(EopError::outside_coverage(utc_julian_day, first, last));
    }
    const auto next = next_sample_after(utc_julian_day);
    const EopSample& previous = *std::prev(next);
    if (previous.utc_julian_day == utc_julian_day) return previous;

    const double fraction = (utc_julian_day - previous.utc_julian_day) /
                            (next->utc_julian_day - previous.utc_julian_day);
    return EopSample{utc_julian_day, blend(previous.dut1, next->dut1, fraction),
                     blend(previous.x, next->x, fraction), blend(previous.y, next->y, fraction)};
}

std::vector<EopSample>::const_iterator EarthOrientationTable::next_sample_after(double utc_julian_day) const {
    const std::size_t hint = last_next_sample_;
    if (hint > 0 && hint < samples_.size() && samples_[hint - 1].utc_julian_day <= utc_julian_day &&
        utc_julian_day < samples_[hint].utc_julian_day) {
        return samples_.begin() + static_cast<std::ptrdiff_t>(hint);
    }
    const auto next = std::upper_bound(
        samples_.begin(), samples_.end(), utc_julian_day,
        [](double day, const EopSample& sample) { return day < sample.utc_julian_day; });
    last_next_sample_ = static_cast<std::size_t>(next - samples_.begin());
    return next;
}

Result<std::pair<double, double>, EopError> EarthOrientationTable::polar_motion_arcsec(
    double utc_julian_day) const {
    auto sample = interpolated_sample(utc_julian_day);
    if (!sample) return failure(std::move(sample).error());
    return std::pair{sample->x, sample->y};
}

Result<double, EopError> EarthOrientationTable::utc_julian_day_from_ut1(
    double ut1_julian_day) const {
    if (!std::isfinite(ut1_julian_day)) return failure(EopError::non_finite());
    if (last_ut1_to_utc_ && same_bits(last_ut1_to_utc_->first, ut1_julian_day)) return last_ut1_to_utc_->second;
    // UTC = UT1 - DUT1(UTC): three fixed steps, starting with UT1 as the UTC guess.
    double utc_julian_day = ut1_julian_day;
    for (int step = 0; step < 3; ++step) {
        auto sample = interpolated_sample(utc_julian_day);
        if (!sample) return failure(std::move(sample).error());
        utc_julian_day = ut1_julian_day + sample->dut1 / -SECONDS_PER_DAY;
    }
    // Only the coverage of the final estimate is checked.
    auto covered = interpolated_sample(utc_julian_day);
    if (!covered) return failure(std::move(covered).error());
    last_ut1_to_utc_ = {ut1_julian_day, utc_julian_day};
    return utc_julian_day;
}

}  // namespace orbyx
