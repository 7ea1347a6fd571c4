#include "ext/native/orbyx_classes.hpp"

#include <cmath>

#include "python/engine_use.hpp"
#include "python/errors.hpp"
#include "python/value_object.hpp"
#include "registry/registry.hpp"

namespace orbyx::ext {
namespace {

// Kept for the life of the process: orbyx holds a reference to each class.
PyTypeObject* engine_class = nullptr;
PyTypeObject* instant_class = nullptr;
PyTypeObject* observer_class = nullptr;
PyTypeObject* position_options_class = nullptr;
PyTypeObject* position_class = nullptr;

// Only orbyx's own classes pass: the type of an object cannot be faked from Python,
// and orbyx refuses subclasses, so anything else is refused before its memory is
// read as orbyx's layout. An object made without its value (PyPy allows that
// through object.__new__) is refused too.
bool check_argument(PyObject* value, PyTypeObject* type, const char* expected,
                    const python::Signature& signature, std::size_t index) {
    if (Py_TYPE(value) != type) {
        python::raise_wrong_argument_type(signature, index, expected, value);
        return false;
    }
    if (!python::holds_value(value)) {
        python::raise_type_error(std::string(expected) + " object holds no value");
        return false;
    }
    return true;
}

}  // namespace

bool load_orbyx_classes() {
    PyRef orbyx = PyRef::steal(PyImport_ImportModule("orbyx"));
    if (!orbyx) return false;
    const registry::OrbyxClasses* classes = registry::published_orbyx_classes();
    if (classes == nullptr) {
        PyErr_SetString(PyExc_ImportError, "orbyx did not publish its classes to the registry");
        return false;
    }
    engine_class = static_cast<PyTypeObject*>(classes->engine);
    instant_class = static_cast<PyTypeObject*>(classes->instant);
    observer_class = static_cast<PyTypeObject*>(classes->geodetic_observer);
    position_options_class = static_cast<PyTypeObject*>(classes->position_options);
    position_class = static_cast<PyTypeObject*>(classes->position);
    python::adopt_wrong_thread_error_class(static_cast<PyObject*>(classes->wrong_thread_error));
    return true;
}

bool check_engine_argument(PyObject* value, const python::Signature& signature, std::size_t index) {
    return check_argument(value, engine_class, "orbyx.Engine", signature, index);
}

bool is_orbyx_instant(PyObject* value) { return Py_TYPE(value) == instant_class; }

std::optional<Instant> orbyx_instant_argument(PyObject* value,
                                              const python::Signature& signature,
                                              std::size_t index) {
    if (!check_argument(value, instant_class, "orbyx.Instant", signature, index)) {
        return std::nullopt;
    }
    return python::value_of<Instant>(value);
}

std::optional<GeodeticObserver> orbyx_observer_argument(PyObject* value,
                                                        const python::Signature& signature,
                                                        std::size_t index) {
    if (!check_argument(value, observer_class, "orbyx.GeodeticObserver", signature, index)) {
        return std::nullopt;
    }
    return python::value_of<GeodeticObserver>(value);
}

std::optional<double> julian_day_argument(PyObject* value) {
    double julian_day = 0.0;
    if (Py_TYPE(value) == instant_class) {
        if (!python::holds_value(value)) {
            python::raise_type_error("orbyx.Instant object holds no value");
            return std::nullopt;
        }
        julian_day = python::value_of<Instant>(value).julian_day;
    } else {
        const auto number = python::extract_float(value);
        if (!number) {
            PyErr_Clear();  // the host's own conversion message says less than this one
            python::raise_value_error("expected an Instant or a finite Julian day float");
            return std::nullopt;
        }
        julian_day = *number;
    }
    if (!std::isfinite(julian_day)) {
        python::raise_value_error("Julian day must be finite");
        return std::nullopt;
    }
    return julian_day;
}

std::optional<PositionOptions> orbyx_position_options_argument(PyObject* value,
                                                               const python::Signature& signature,
                                                               std::size_t index) {
    if (!check_argument(value, position_options_class, "orbyx.PositionOptions", signature, index)) {
        return std::nullopt;
    }
    return python::value_of<PositionOptions>(value);
}

PyObject* new_position(const Position& position) { return python::wrap_value(position_class, position); }

PyObject* new_instant(const Instant& instant) {
    return python::wrap_value(instant_class, instant);
}

// The object is orbyx's own class and layout; orbyx frees it with its copy of the
// engine's code, built from the same sources as this one.
PyObject* new_engine(SpkEphemeris engine) {
    auto state = std::make_unique<python::EngineState>();
    state->engine = std::move(engine);
    return python::wrap_value(engine_class, python::EngineHandle(std::move(state)));
}

}  // namespace orbyx::ext
