#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/io_error.hpp"
#include "core/result.hpp"

namespace orbyx {

class EopError {
public:
    enum class Kind {
        Io,
        PathHasNoFileName,
        InvalidSha256,
        NoSamples,
        NotIncreasing,
        InvalidLine,
        NonFinite,
        OutsideCoverage,
    };

    static EopError io(IoError error);
    static EopError path_has_no_file_name();
    static EopError invalid_sha256();
    static EopError no_samples();
    static EopError not_increasing();
    static EopError invalid_line(std::uint64_t line_number);
    static EopError non_finite();
    static EopError outside_coverage(double utc_julian_day, double first, double last);

    Kind kind() const { return kind_; }
    std::string message() const;

private:
    explicit EopError(Kind kind) : kind_(kind) {}

    Kind kind_;
    IoError io_;
    std::uint64_t line_number_ = 0;
    double utc_julian_day_ = 0, first_ = 0, last_ = 0;
};

struct EopSample {
    double utc_julian_day;  // MJD + 2400000.5
    double dut1;            // UT1 - UTC, seconds
    double x;               // pole coordinates, arcseconds
    double y;
};

// Daily IERS EOP 20 C04 values, interpolated linearly and never extrapolated.
class EarthOrientationTable {
public:
    static Result<EarthOrientationTable, EopError> open(std::string_view path,
                                                        std::string_view sha256);

    const std::string& name() const { return name_; }
    const std::string& sha256() const { return sha256_; }
    const std::vector<EopSample>& samples() const { return samples_; }

    Result<EopSample, EopError> interpolated_sample(double utc_julian_day) const;
    Result<std::pair<double, double>, EopError> polar_motion_arcsec(double utc_julian_day) const;
    Result<double, EopError> utc_julian_day_from_ut1(double ut1_julian_day) const;

private:
    EarthOrientationTable() = default;

    // The first sample whose day exceeds `utc_julian_day`, which lies within the table.
    std::vector<EopSample>::const_iterator next_sample_after(double utc_julian_day) const;

    std::string name_;
    std::string sha256_;
    std::vector<EopSample> samples_;  // never empty, strictly increasing
    // The sample after the day interpolated last: successive requests mostly fall
    // between the same two days, and a search of the whole table misses the cache.
    mutable std::size_t last_next_sample_ = 0;
    // One request converts its UT1 day to UTC up to three times: the last conversion.
    mutable std::optional<std::pair<double, double>> last_ut1_to_utc_;
};

// One trimmed data row of a C04 file; `line_number` counts every line from 1.
Result<EopSample, EopError> parse_c04_line(std::string_view line, std::uint64_t line_number);

}  // namespace orbyx
