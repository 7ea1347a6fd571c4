#pragma once

#include <string>
#include <variant>

#include "core/errors.hpp"
#include "time/earth_orientation_table.hpp"

namespace orbyx {

// The error of the leap-second kernel's time-scale conversions.
class UtcConversionError {
public:
    enum class Kind { TimeConversion, Eop, MissingEop, BeforeFirstLeapSecond };

    static UtcConversionError time_conversion(TimeConversionError error);
    static UtcConversionError eop(EopError error);
    static UtcConversionError missing_eop();
    static UtcConversionError before_first_leap_second(double utc_julian_day,
                                                       double first_entry_julian_day);

    Kind kind() const { return static_cast<Kind>(payload_.index()); }
    std::string message() const;

private:
    struct MissingEop {};
    struct BeforeFirstLeapSecond {
        double utc_julian_day;
        double first_entry_julian_day;
    };
    // Alternatives in the order of Kind.
    using Payload = std::variant<TimeConversionError, EopError, MissingEop, BeforeFirstLeapSecond>;

    explicit UtcConversionError(Payload payload) : payload_(std::move(payload)) {}

    Payload payload_;
};

}  // namespace orbyx
