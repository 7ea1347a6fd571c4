#include "ext/native/phenomena_functions.hpp"

#include <optional>

#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/phenomena/body_phenomena.hpp"
#include "ext/phenomena/moon_age.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"

namespace orbyx::ext {
namespace {

using python::Access;
using python::EngineUse;
using python::Parameters;
using python::Signature;

const char* const PHENOMENA_PARAMETERS[] = {"engine", "body", "instant", "observer"};
const Signature PHENOMENA = {"phenomena", PHENOMENA_PARAMETERS, 4, 3};

const char* const MOON_AGE_PARAMETERS[] = {"engine", "instant"};
const Signature MOON_AGE = {"moon_age", MOON_AGE_PARAMETERS, 2, 2};

}  // namespace

PyObject* phenomena_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<4> parameters;
    if (!python::bind(PHENOMENA, args, nargs, kwnames, parameters)) return nullptr;
    if (!check_engine_argument(parameters[0], PHENOMENA, 0)) return nullptr;
    EngineUse use(parameters[0], Access::Shared);
    if (!use) return nullptr;
    const auto target = target_argument(parameters[1], PHENOMENA, 1);
    if (!target) return nullptr;
    const auto instant = orbyx_instant_argument(parameters[2], PHENOMENA, 2);
    if (!instant) return nullptr;
    std::optional<GeodeticObserver> observer;
    if (parameters[3] != nullptr && parameters[3] != Py_None) {
        observer = orbyx_observer_argument(parameters[3], PHENOMENA, 3);
        if (!observer) return nullptr;
    }
    SpkEphemeris* engine = use.engine();
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
    Parameters<2> parameters;
    if (!python::bind(MOON_AGE, args, nargs, kwnames, parameters)) return nullptr;
    if (!check_engine_argument(parameters[0], MOON_AGE, 0)) return nullptr;
    EngineUse use(parameters[0], Access::Shared);
    if (!use) return nullptr;
    const auto instant = orbyx_instant_argument(parameters[1], MOON_AGE, 1);
    if (!instant) return nullptr;
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto age = moon_age(*engine, *instant);
    if (!python::succeeded(age)) return nullptr;
    PyRef new_moon = PyRef::steal(new_instant(age->new_moon));
    if (!new_moon) return nullptr;
    return Py_BuildValue("(ddO)", age->age_days, age->phase_angle_deg, new_moon.get());
}

}  // namespace orbyx::ext
