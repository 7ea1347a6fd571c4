#include "ext/native/phenomena_functions.hpp"

#include <optional>

#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/phenomena/body_phenomena.hpp"
#include "ext/phenomena/moon_age.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"

namespace orbyx::ext {
namespace {

using python::Signature;

const char* const PHENOMENA_PARAMETERS[] = {"engine", "body", "instant", "observer"};
const Signature PHENOMENA = {"phenomena", PHENOMENA_PARAMETERS, 4, 3};

const char* const MOON_AGE_PARAMETERS[] = {"engine", "instant"};
const Signature MOON_AGE = {"moon_age", MOON_AGE_PARAMETERS, 2, 2};

}  // namespace

PyObject* phenomena_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<4> call(PHENOMENA, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto target = target_argument(call[1], PHENOMENA, 1);
    if (!target) return nullptr;
    const auto instant = orbyx_instant_argument(call[2], PHENOMENA, 2);
    if (!instant) return nullptr;
    std::optional<GeodeticObserver> observer;
    if (call[3] != nullptr && call[3] != Py_None) {
        observer = orbyx_observer_argument(call[3], PHENOMENA, 3);
        if (!observer) return nullptr;
    }
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto seen = body_phenomena(*engine, *target, *instant, observer);
    if (!python::succeeded(seen)) return nullptr;
    // None, not a made-up size, for a body whose radius is unknown.
    PyRef diameter = seen->angular_diameter_arcsec ? PyRef::steal(PyFloat_FromDouble(*seen->angular_diameter_arcsec))
                                                   : PyRef::borrow(Py_None);
    if (!diameter) return nullptr;
    return Py_BuildValue("(dddOd)", seen->elongation_deg, seen->phase_angle_deg, seen->illuminated_fraction,
                         diameter.get(), seen->distance_au);
}

PyObject* moon_age_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<2> call(MOON_AGE, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto instant = orbyx_instant_argument(call[1], MOON_AGE, 1);
    if (!instant) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto age = moon_age(*engine, *instant);
    if (!python::succeeded(age)) return nullptr;
    PyRef new_moon = PyRef::steal(new_instant(age->new_moon));
    if (!new_moon) return nullptr;
    return Py_BuildValue("(ddO)", age->age_days, age->phase_angle_deg, new_moon.get());
}

}  // namespace orbyx::ext
