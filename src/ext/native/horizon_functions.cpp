#include "ext/native/horizon_functions.hpp"

#include <optional>
#include <string>
#include <string_view>

#include "ext/horizon/diurnal_events.hpp"
#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"

namespace orbyx::ext {
namespace {

using python::Access;
using python::Signature;

const char* const HORIZON_PARAMETERS[] = {"engine", "body", "observer", "start", "end", "altitude_deg"};
const Signature HORIZON_EVENTS = {"horizon_events", HORIZON_PARAMETERS, 6, 5};

const char* const TWILIGHT_PARAMETERS[] = {"engine", "observer", "start", "end", "twilight"};
const Signature TWILIGHT_EVENTS = {"twilight_events", TWILIGHT_PARAMETERS, 5, 4};

std::string_view kind_name(DiurnalEventKind kind, bool twilight) {
    switch (kind) {
        case DiurnalEventKind::Rise: return twilight ? "dawn" : "rise";
        case DiurnalEventKind::Set: return twilight ? "dusk" : "set";
        case DiurnalEventKind::UpperTransit: return "upper_transit";
        case DiurnalEventKind::LowerTransit: return "lower_transit";
    }
    return "";
}

std::optional<Twilight> twilight_argument(PyObject* value) {
    const auto name = python::extract_name(value);
    if (!name) return std::nullopt;
    if (*name == "civil") return Twilight::Civil;
    if (*name == "nautical") return Twilight::Nautical;
    if (*name == "astronomical") return Twilight::Astronomical;
    python::raise_value_error("unknown twilight '" + *name + "'");
    return std::nullopt;
}

// The NamedTuple `name` of orbyx_ext._horizon, where the results' fields are named.
PyRef result_class(const char* name) {
    PyRef module = PyRef::steal(PyImport_ImportModule("orbyx_ext._horizon"));
    if (!module) return {};
    return PyRef::steal(PyObject_GetAttrString(module.get(), name));
}

// One (instant, kind) NamedTuple of `type`. CPython makes it as tuple.__new__ would,
// without a Python call; PyPy, whose tuples the C API only mirrors, through
// tuple.__new__ itself.
PyObject* new_event(PyTypeObject* type, PyObject* make, PyObject* instant, PyObject* kind) {
#ifdef PYPY_VERSION
    PyRef fields = PyRef::steal(PyTuple_Pack(2, instant, kind));
    if (!fields) return nullptr;
    return PyObject_CallFunctionObjArgs(make, reinterpret_cast<PyObject*>(type), fields.get(), nullptr);
#else
    (void)make;
    PyObject* event = type->tp_alloc(type, 2);
    if (event == nullptr) return nullptr;
    Py_INCREF(instant);
    Py_INCREF(kind);
    PyTuple_SET_ITEM(event, 0, instant);
    PyTuple_SET_ITEM(event, 1, kind);
    return event;
#endif
}

// A list of (instant, kind) NamedTuples of `class_name`; the kinds share one str each.
PyObject* new_event_list(const std::vector<DiurnalEvent>& events, const char* class_name, bool twilight) {
    constexpr DiurnalEventKind KINDS[] = {DiurnalEventKind::Rise, DiurnalEventKind::Set,
                                          DiurnalEventKind::UpperTransit, DiurnalEventKind::LowerTransit};
    PyRef names[std::size(KINDS)];
    for (std::size_t k = 0; k < std::size(KINDS); ++k) {
        const std::string_view name = kind_name(KINDS[k], twilight);
        names[k] = PyRef::steal(new_text(name));
        if (!names[k]) return nullptr;
    }
    PyRef result_type = result_class(class_name);
    if (!result_type) return nullptr;
    if (!PyType_Check(result_type.get()) ||
        !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(result_type.get()), &PyTuple_Type)) {
        PyErr_Format(PyExc_TypeError, "orbyx_ext._horizon.%s is not a NamedTuple", class_name);
        return nullptr;
    }
    PyRef make = PyRef::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(&PyTuple_Type), "__new__"));
    if (!make) return nullptr;
    PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(events.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < events.size(); ++i) {
        PyRef instant = PyRef::steal(new_instant({events[i].ut1_julian_day, TimeScale::Ut1}));
        if (!instant) return nullptr;
        PyObject* event = new_event(reinterpret_cast<PyTypeObject*>(result_type.get()), make.get(), instant.get(),
                                    names[static_cast<std::size_t>(events[i].kind)].get());
        if (event == nullptr) return nullptr;
        // It holds an Instant and a str, which can close no cycle: the collector need
        // not walk a year of them at every pass. A class given a __dict__ could.
        if (Py_TYPE(event)->tp_dictoffset == 0) PyObject_GC_UnTrack(event);
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), event);
    }
    return list.release();
}

}  // namespace

PyObject* horizon_events_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<6> call(HORIZON_EVENTS, args, nargs, kwnames, Access::Exclusive);
    if (!call) return nullptr;
    const auto body = target_argument(call[1], HORIZON_EVENTS, 1);
    if (!body) return nullptr;
    const auto observer = orbyx_observer_argument(call[2], HORIZON_EVENTS, 2);
    if (!observer) return nullptr;
    const auto start = orbyx_instant_argument(call[3], HORIZON_EVENTS, 3);
    if (!start) return nullptr;
    const auto end = orbyx_instant_argument(call[4], HORIZON_EVENTS, 4);
    if (!end) return nullptr;
    HorizonTarget target = almanac_horizon(*body);
    if (call[5] != nullptr && call[5] != Py_None) {
        const auto altitude = python::extract_float(call[5], HORIZON_EVENTS, 5);
        if (!altitude) return nullptr;
        target = {*altitude};
    }
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto events = diurnal_events(*engine, *body, *observer, *start, *end, target, true);
    if (!python::succeeded(events)) return nullptr;
    return new_event_list(*events, "HorizonEvent", false);
}

PyObject* twilight_events_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<5> call(TWILIGHT_EVENTS, args, nargs, kwnames, Access::Exclusive);
    if (!call) return nullptr;
    const auto observer = orbyx_observer_argument(call[1], TWILIGHT_EVENTS, 1);
    if (!observer) return nullptr;
    const auto start = orbyx_instant_argument(call[2], TWILIGHT_EVENTS, 2);
    if (!start) return nullptr;
    const auto end = orbyx_instant_argument(call[3], TWILIGHT_EVENTS, 3);
    if (!end) return nullptr;
    Twilight twilight = Twilight::Civil;
    if (call[4] != nullptr) {
        const auto chosen = twilight_argument(call[4]);
        if (!chosen) return nullptr;
        twilight = *chosen;
    }
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto events =
        diurnal_events(*engine, naif_id(Body::Sun), *observer, *start, *end, twilight_horizon(twilight), false);
    if (!python::succeeded(events)) return nullptr;
    return new_event_list(*events, "TwilightEvent", true);
}

}  // namespace orbyx::ext
