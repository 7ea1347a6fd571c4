#include "core/errors.hpp"

#include "core/format.hpp"

namespace orbyx {

std::string message(CoordinateError error) {
    switch (error) {
        case CoordinateError::NonFiniteState: return "Cartesian state must be finite";
        case CoordinateError::UndefinedAtOrigin: return "spherical position is undefined at origin";
        case CoordinateError::UndefinedOnZAxis: return "spherical longitude is undefined on the z axis";
        case CoordinateError::InvalidLatitude:
            return "geodetic latitude must be finite and within [-90, 90] degrees";
        case CoordinateError::UndefinedHouseCusps:
            return "house cusps are undefined for this system at the requested latitude";
        case CoordinateError::NonFiniteAnglesOfDate:
            return "TT Julian day is too far from J2000 for a finite sidereal time and obliquity";
    }
    return {};
}

TimeConversionError TimeConversionError::unsupported_conversion(TimeScale source) {
    return {Kind::UnsupportedConversion, source};
}

TimeConversionError TimeConversionError::non_finite_julian_day() {
    return {Kind::NonFiniteJulianDay, TimeScale::Tdb};
}

std::string TimeConversionError::message() const {
    if (kind_ == Kind::NonFiniteJulianDay) return "Julian day must be finite";
    return "conversion from " + std::string(debug_name(source_)) + " to TDB is not implemented";
}

EphemerisError EphemerisError::unsupported_body(Body body) {
    EphemerisError e(Kind::UnsupportedBody);
    e.body_ = body;
    return e;
}

EphemerisError EphemerisError::out_of_range(double julian_day, double start, double end,
                                            TimeScale scale) {
    EphemerisError e(Kind::OutOfRange);
    e.julian_day_ = julian_day;
    e.start_ = start;
    e.end_ = end;
    e.scale_ = scale;
    return e;
}

EphemerisError EphemerisError::invalid_request(std::string text) {
    EphemerisError e(Kind::InvalidRequest);
    e.text_ = std::move(text);
    return e;
}

EphemerisError EphemerisError::time_conversion(std::string text) {
    EphemerisError e(Kind::TimeConversion);
    e.text_ = std::move(text);
    return e;
}

EphemerisError EphemerisError::evaluation(std::string text) {
    EphemerisError e(Kind::Evaluation);
    e.text_ = std::move(text);
    return e;
}

std::string EphemerisError::message() const {
    switch (kind_) {
        case Kind::UnsupportedBody: return "unsupported body: " + std::string(debug_name(body_));
        case Kind::OutOfRange:
            return "Julian day " + format_number(julian_day_) + " is outside kernel range " +
                   format_number(start_) + ".." + format_number(end_) + " " +
                   std::string(debug_name(scale_));
        default: return text_;
    }
}

}  // namespace orbyx
