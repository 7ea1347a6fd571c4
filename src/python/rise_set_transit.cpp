#include <optional>
#include <string>

#include "core/format.hpp"
#include "python/classes.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const RiseSetTransit& events_of(PyObject* self) { return value_of<RiseSetTransit>(self); }

PyObject* optional_float(const std::optional<double>& day) {
    if (!day) Py_RETURN_NONE;
    return new_float(*day);
}

// The debug form of an optional day: Some(2460000.5) or None.
std::string optional_debug(const std::optional<double>& day) {
    return day ? "Some(" + format_number_debug(*day) + ")" : "None";
}

PyObject* transit_ut1_julian_day(PyObject* self, void*) {
    return new_float(events_of(self).transit_ut1_julian_day);
}
PyObject* rise_ut1_julian_day(PyObject* self, void*) {
    return optional_float(events_of(self).rise_ut1_julian_day);
}
PyObject* set_ut1_julian_day(PyObject* self, void*) {
    return optional_float(events_of(self).set_ut1_julian_day);
}

PyObject* repr(PyObject* self) {
    const RiseSetTransit& events = events_of(self);
    return new_str("RiseSetTransit(transit_ut1_julian_day=" +
                   format_number(events.transit_ut1_julian_day) +
                   ", rise_ut1_julian_day=" + optional_debug(events.rise_ut1_julian_day) +
                   ", set_ut1_julian_day=" + optional_debug(events.set_ut1_julian_day) + ")");
}

constexpr ModuleClass RISE_SET_TRANSIT = &ModuleClasses::rise_set_transit;

PyGetSetDef properties[] = {
    {"transit_ut1_julian_day", instance_member<RISE_SET_TRANSIT, transit_ut1_julian_day>,
     nullptr, nullptr, nullptr},
    {"rise_ut1_julian_day", instance_member<RISE_SET_TRANSIT, rise_ut1_julian_day>,
     nullptr, nullptr, nullptr},
    {"set_ut1_julian_day", instance_member<RISE_SET_TRANSIT, set_ut1_julian_day>,
     nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Same-day UT1 rise, set, and transit epochs.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<RISE_SET_TRANSIT, refuse_construction>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<RiseSetTransit>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<RISE_SET_TRANSIT, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.RiseSetTransit", sizeof(ValueObject<RiseSetTransit>), 0,
                    Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyRef create_rise_set_transit_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_rise_set_transit(const RiseSetTransit& events) {
    return wrap_value(module_classes().rise_set_transit, events);
}

}  // namespace orbyx::python
