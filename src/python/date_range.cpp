#include "core/format.hpp"
#include "python/classes.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const DateRange& range_of(PyObject* self) { return value_of<DateRange>(self); }

PyObject* start_julian_day(PyObject* self, void*) {
    return new_float(range_of(self).start_julian_day);
}

PyObject* end_julian_day(PyObject* self, void*) { return new_float(range_of(self).end_julian_day); }

PyObject* time_scale(PyObject* self, void*) {
    return new_str(canonical_name(range_of(self).time_scale));
}

PyObject* repr(PyObject* self) {
    const DateRange& range = range_of(self);
    return new_str("DateRange(start_julian_day=" + format_number(range.start_julian_day) +
                   ", end_julian_day=" + format_number(range.end_julian_day) +
                   ", time_scale=" + quote(canonical_name(range.time_scale)) + ")");
}

constexpr ModuleClass DATE_RANGE = &ModuleClasses::date_range;

PyGetSetDef properties[] = {
    {"start_julian_day", instance_member<DATE_RANGE, start_julian_day>, nullptr, nullptr, nullptr},
    {"end_julian_day", instance_member<DATE_RANGE, end_julian_day>, nullptr, nullptr, nullptr},
    {"time_scale", instance_member<DATE_RANGE, time_scale>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Inclusive kernel coverage in the declared time scale.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<DATE_RANGE, refuse_construction>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<DateRange>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<DATE_RANGE, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.DateRange", sizeof(ValueObject<DateRange>), 0, Py_TPFLAGS_DEFAULT,
                    slots};

}  // namespace

PyRef create_date_range_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_date_range(const DateRange& range) {
    return wrap_value(module_classes().date_range, range);
}

}  // namespace orbyx::python
