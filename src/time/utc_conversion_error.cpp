#include "time/utc_conversion_error.hpp"

#include "core/format.hpp"

namespace orbyx {

UtcConversionError UtcConversionError::time_conversion(TimeConversionError error) {
    return UtcConversionError(Payload(std::in_place_index<0>, error));
}

UtcConversionError UtcConversionError::eop(EopError error) {
    return UtcConversionError(Payload(std::in_place_index<1>, std::move(error)));
}

UtcConversionError UtcConversionError::missing_eop() {
    return UtcConversionError(Payload(std::in_place_index<2>));
}

UtcConversionError UtcConversionError::before_first_leap_second(double utc_julian_day,
                                                                double first_entry_julian_day) {
    return UtcConversionError(
        Payload(std::in_place_index<3>, BeforeFirstLeapSecond{utc_julian_day, first_entry_julian_day}));
}

std::string UtcConversionError::message() const {
    switch (kind()) {
        case Kind::TimeConversion: return std::get<0>(payload_).message();
        case Kind::Eop: return std::get<1>(payload_).message();
        case Kind::MissingEop:
            return "UT1 requires an Earth orientation table (DUT1); attach one with "
                   "SpkEphemeris::with_eop";
        case Kind::BeforeFirstLeapSecond: {
            const auto& before = std::get<3>(payload_);
            return "UTC Julian day " + format_number(before.utc_julian_day) +
                   " precedes the kernel's earliest leap-second entry (" +
                   format_number(before.first_entry_julian_day) +
                   "); the offset is not extrapolated";
        }
    }
    return {};
}

}  // namespace orbyx
