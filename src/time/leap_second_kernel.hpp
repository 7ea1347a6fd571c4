#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/io_error.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/utc_conversion_error.hpp"

namespace orbyx {

class LskError {
public:
    enum class Kind {
        Io,
        PathHasNoUtf8FileName,
        InvalidSha256,
        NoDataSection,
        MissingKeyword,
        InvalidValue,
        InvalidDateLiteral,
        DeltaAtNotAscending,
    };

    static LskError io(IoError error);
    static LskError path_has_no_utf8_file_name();
    static LskError invalid_sha256();
    static LskError no_data_section();
    static LskError missing_keyword(std::string_view keyword);
    static LskError invalid_value(std::string_view keyword, std::string_view reason);
    static LskError invalid_date_literal(std::string_view token);
    static LskError delta_at_not_ascending();

    Kind kind() const { return kind_; }
    std::string message() const;

private:
    explicit LskError(Kind kind) : kind_(kind) {}

    Kind kind_;
    IoError io_;
    std::string keyword_;
    std::string detail_;  // the InvalidValue reason or the offending date token
};

// TAI - UTC in force from 00:00 UTC of `utc_julian_day` on.
struct LeapSecondEntry {
    double delta_at;
    double utc_julian_day;
};

// A parsed NAIF leap-second kernel; immutable once opened.
class LeapSecondKernel {
public:
    static Result<LeapSecondKernel, LskError> open(std::string_view path, std::string_view sha256);

    const std::string& name() const { return name_; }
    const std::string& sha256() const { return sha256_; }
    const std::vector<LeapSecondEntry>& entries() const { return entries_; }
    double delta_t_a() const { return delta_t_a_; }
    double k() const { return k_; }
    double eb() const { return eb_; }
    double m0() const { return m0_; }
    double m1() const { return m1_; }

    // Conversions of a Julian day given in `scale`; a table is needed wherever UT1 is
    // involved and is optional where it is a pointer.
    Result<double, UtcConversionError> tdb_seconds(TimeScale scale, double julian_day) const;
    Result<double, UtcConversionError> tdb_seconds_with_eop(TimeScale scale,
                                                            const EarthOrientationTable& eop,
                                                            double julian_day) const;
    Result<double, UtcConversionError> tt_julian_day(TimeScale scale,
                                                     const EarthOrientationTable* eop,
                                                     double julian_day) const;
    Result<double, UtcConversionError> utc_julian_day(TimeScale scale,
                                                      const EarthOrientationTable* eop,
                                                      double julian_day) const;
    Result<double, UtcConversionError> ut1_julian_day(TimeScale scale,
                                                      const EarthOrientationTable& eop,
                                                      double julian_day) const;

private:
    LeapSecondKernel() = default;

    std::string name_;
    std::string sha256_;
    std::vector<LeapSecondEntry> entries_;  // never empty, strictly ascending
    double delta_t_a_ = 0;
    double k_ = 0;
    double eb_ = 0;
    double m0_ = 0;
    double m1_ = 0;
};

}  // namespace orbyx
