#pragma once

#include <string>

#include "core/types.hpp"

namespace orbyx {

enum class CoordinateError {
    NonFiniteState,
    UndefinedAtOrigin,
    UndefinedOnZAxis,
    InvalidLatitude,
    UndefinedHouseCusps,
    NonFiniteAnglesOfDate,
};

std::string message(CoordinateError error);

class TimeConversionError {
public:
    enum class Kind { UnsupportedConversion, NonFiniteJulianDay };

    static TimeConversionError unsupported_conversion(TimeScale source);
    static TimeConversionError non_finite_julian_day();

    Kind kind() const { return kind_; }
    std::string message() const;

private:
    TimeConversionError(Kind kind, TimeScale source) : kind_(kind), source_(source) {}

    Kind kind_;
    TimeScale source_;
};

// The error of every engine operation; its message is what the caller sees.
class EphemerisError {
public:
    enum class Kind { UnsupportedBody, OutOfRange, InvalidRequest, TimeConversion, Evaluation };

    static EphemerisError unsupported_body(Body body);
    static EphemerisError out_of_range(double julian_day, double start, double end, TimeScale scale);
    static EphemerisError invalid_request(std::string text);
    static EphemerisError time_conversion(std::string text);
    static EphemerisError evaluation(std::string text);

    Kind kind() const { return kind_; }
    std::string message() const;

private:
    explicit EphemerisError(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::string text_;
    Body body_ = Body::Sun;
    double julian_day_ = 0, start_ = 0, end_ = 0;
    TimeScale scale_ = TimeScale::Tdb;
};

}  // namespace orbyx
