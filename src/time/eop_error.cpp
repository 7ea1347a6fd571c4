#include "core/format.hpp"
#include "time/earth_orientation_table.hpp"

namespace orbyx {

EopError EopError::io(IoError error) {
    EopError e(Kind::Io);
    e.io_ = std::move(error);
    return e;
}

EopError EopError::path_has_no_file_name() { return EopError(Kind::PathHasNoFileName); }

EopError EopError::invalid_sha256() { return EopError(Kind::InvalidSha256); }

EopError EopError::no_samples() { return EopError(Kind::NoSamples); }

EopError EopError::not_increasing() { return EopError(Kind::NotIncreasing); }

EopError EopError::invalid_line(std::uint64_t line_number) {
    EopError e(Kind::InvalidLine);
    e.line_number_ = line_number;
    return e;
}

EopError EopError::non_finite() { return EopError(Kind::NonFinite); }

EopError EopError::outside_coverage(double utc_julian_day, double first, double last) {
    EopError e(Kind::OutsideCoverage);
    e.utc_julian_day_ = utc_julian_day;
    e.first_ = first;
    e.last_ = last;
    return e;
}

std::string EopError::message() const {
    switch (kind_) {
        case Kind::Io: return io_.message();
        case Kind::PathHasNoFileName: return "EOP table path has no filename";
        case Kind::InvalidSha256: return "EOP table SHA-256 must be 64 hexadecimal characters";
        case Kind::NoSamples: return "EOP table contains no DUT1 samples";
        case Kind::NotIncreasing: return "EOP DUT1 samples must be strictly increasing in UTC";
        case Kind::InvalidLine:
            return "invalid IERS EOP 20 C04 line " + std::to_string(line_number_);
        case Kind::NonFinite: return "EOP epoch, DUT1, and polar motion must be finite";
        case Kind::OutsideCoverage:
            return "UTC Julian day " + format_number(utc_julian_day_) +
                   " is outside EOP coverage [" + format_number(first_) + ", " +
                   format_number(last_) + "]";
    }
    return {};
}

}  // namespace orbyx
