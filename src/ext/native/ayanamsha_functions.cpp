#include "ext/native/ayanamsha_functions.hpp"

#include <optional>

#include "ext/native/ayanamsha_arguments.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/time/scale_conversion.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/errors.hpp"

namespace orbyx::ext {
namespace {

using python::Access;
using python::EngineUse;
using python::Parameters;
using python::Signature;

const char* const AYANAMSHA_PARAMETERS[] = {"ayanamsha", "instant", "nutation", "engine"};
const Signature AYANAMSHA = {"ayanamsha", AYANAMSHA_PARAMETERS, 4, 2};

std::optional<bool> nutation_argument(PyObject* value) {
    if (value == nullptr) return true;
    if (!PyBool_Check(value)) {
        python::raise_wrong_argument_type(AYANAMSHA, 2, "bool", value);
        return std::nullopt;
    }
    return value == Py_True;
}

// The instant's TT day: through the engine when one is given; without one a TDB day is
// read as TT, their difference (under 2 ms) moving the ayanamsha by nanoarcseconds.
std::optional<double> tt_day_argument(PyObject* value, PyObject* engine_value) {
    if (!is_orbyx_instant(value)) return python::extract_float(value, AYANAMSHA, 1);
    const auto instant = orbyx_instant_argument(value, AYANAMSHA, 1);
    if (!instant) return std::nullopt;
    if (engine_value == nullptr || engine_value == Py_None) {
        if (instant->time_scale == TimeScale::Tt || instant->time_scale == TimeScale::Tdb) {
            return instant->julian_day;
        }
        python::raise_value_error("a UTC or UT1 instant needs an engine to convert it to TT");
        return std::nullopt;
    }
    if (!check_engine_argument(engine_value, AYANAMSHA, 3)) return std::nullopt;
    EngineUse use(engine_value, Access::Shared);
    if (!use) return std::nullopt;
    const SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return std::nullopt;
    const auto converted = convert_instant(*engine, *instant, TimeScale::Tt);
    if (!python::succeeded(converted)) return std::nullopt;
    return converted->instant.julian_day;
}

}  // namespace

PyObject* ayanamsha_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<4> parameters;
    if (!python::bind(AYANAMSHA, args, nargs, kwnames, parameters)) return nullptr;
    const auto ayanamsha = ayanamsha_argument(parameters[0], AYANAMSHA, 0);
    if (!ayanamsha) return nullptr;
    const auto tt_day = tt_day_argument(parameters[1], parameters[3]);
    if (!tt_day) return nullptr;
    const auto nutation = nutation_argument(parameters[2]);
    if (!nutation) return nullptr;
    const auto value = companion_ayanamsha_deg(*ayanamsha, *tt_day, *nutation);
    if (!python::succeeded(value)) return nullptr;
    return PyFloat_FromDouble(*value);
}

}  // namespace orbyx::ext
