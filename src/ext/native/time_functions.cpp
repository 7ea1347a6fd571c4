#include "ext/native/time_functions.hpp"

#include <optional>

#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/time/calendar_date.hpp"
#include "ext/time/scale_conversion.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/names.hpp"

namespace orbyx::ext {
namespace {

using python::Access;
using python::EngineUse;
using python::Parameters;
using python::Signature;

std::optional<TimeScale> scale_argument(PyObject* value, const Signature& signature,
                                        std::size_t index) {
    const auto text = python::extract_str(value, signature, index);
    if (!text) return std::nullopt;
    auto scale = python::parse_time_scale(*text);
    if (!scale) {
        python::raise_value_error(scale.error());
        return std::nullopt;
    }
    return *scale;
}

// An int argument; anything else is refused rather than truncated.
std::optional<std::int64_t> int_argument(PyObject* value, const Signature& signature,
                                         std::size_t index) {
    if (!PyLong_Check(value)) {
        python::raise_wrong_argument_type(signature, index, "int", value);
        return std::nullopt;
    }
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (overflow != 0) {
        python::raise_value_error("calendar " + std::string(signature.names[index]) +
                                  " is out of range");
        return std::nullopt;
    }
    if (number == -1 && PyErr_Occurred()) return std::nullopt;
    return number;
}

const char* const CONVERT_PARAMETERS[] = {"engine", "instant", "time_scale"};
const Signature CONVERT = {"convert", CONVERT_PARAMETERS, 3, 3};

const char* const CALENDAR_PARAMETERS[] = {"year",   "month",      "day",   "hour",
                                           "minute", "second", "time_scale", "engine"};
const Signature INSTANT_FROM_CALENDAR = {"instant_from_calendar", CALENDAR_PARAMETERS, 8, 3};

const char* const INSTANT_PARAMETER[] = {"instant"};
const Signature CALENDAR_FROM_INSTANT = {"calendar_from_instant", INSTANT_PARAMETER, 1, 1};

}  // namespace

PyObject* convert_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<3> call(CONVERT, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto instant = orbyx_instant_argument(call[1], CONVERT, 1);
    if (!instant) return nullptr;
    const auto target = scale_argument(call[2], CONVERT, 2);
    if (!target) return nullptr;
    const SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto converted = convert_instant(*engine, *instant, *target);
    if (!python::succeeded(converted)) return nullptr;
    PyRef result_instant = PyRef::steal(new_instant(converted->instant));
    PyRef source = PyRef::steal(new_text(canonical_name(converted->source)));
    if (!result_instant || !source) return nullptr;
    return PyTuple_Pack(2, result_instant.get(), source.get());
}

PyObject* instant_from_calendar_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                         PyObject* kwnames) {
    Parameters<8> parameters;
    if (!python::bind(INSTANT_FROM_CALENDAR, args, nargs, kwnames, parameters)) return nullptr;
    std::int64_t fields[5] = {0, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 5; ++i) {
        if (parameters[i] == nullptr) continue;
        const auto field = int_argument(parameters[i], INSTANT_FROM_CALENDAR, i);
        if (!field) return nullptr;
        fields[i] = *field;
    }
    double second = 0.0;
    if (parameters[5] != nullptr) {
        const auto value = python::extract_float(parameters[5], INSTANT_FROM_CALENDAR, 5);
        if (!value) return nullptr;
        second = *value;
    }
    TimeScale scale = TimeScale::Utc;
    if (parameters[6] != nullptr) {
        const auto value = scale_argument(parameters[6], INSTANT_FROM_CALENDAR, 6);
        if (!value) return nullptr;
        scale = *value;
    }
    std::optional<EngineUse> use;
    const SpkEphemeris* engine = nullptr;
    if (parameters[7] != nullptr && parameters[7] != Py_None) {
        if (!check_engine_argument(parameters[7], INSTANT_FROM_CALENDAR, 7)) return nullptr;
        use.emplace(parameters[7], Access::Shared);
        if (!*use || (engine = use->engine()) == nullptr) return nullptr;
    }
    const CalendarDate date{fields[0], fields[1], fields[2], fields[3], fields[4], second};
    const auto instant = instant_from_calendar(date, scale, engine);
    if (!instant) return python::raise_value_error(instant.error());
    return new_instant(*instant);
}

PyObject* calendar_from_instant_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                         PyObject* kwnames) {
    Parameters<1> parameters;
    if (!python::bind(CALENDAR_FROM_INSTANT, args, nargs, kwnames, parameters)) return nullptr;
    const auto instant = orbyx_instant_argument(parameters[0], CALENDAR_FROM_INSTANT, 0);
    if (!instant) return nullptr;
    const CalendarDate date = calendar_from_julian_day(instant->julian_day);
    return Py_BuildValue("(LLLLLd)", static_cast<long long>(date.year),
                         static_cast<long long>(date.month), static_cast<long long>(date.day),
                         static_cast<long long>(date.hour), static_cast<long long>(date.minute),
                         date.second);
}

}  // namespace orbyx::ext
