#include "core/format.hpp"
#include "python/classes.hpp"
#include "python/names.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const HorizonEvent& event_of(PyObject* self) { return value_of<HorizonEvent>(self); }

PyObject* kind(PyObject* self, void*) { return new_horizon_event_kind(event_of(self).kind); }
PyObject* ut1_julian_day(PyObject* self, void*) { return new_float(event_of(self).ut1_julian_day); }

PyObject* repr(PyObject* self) {
    const HorizonEvent& event = event_of(self);
    return new_str("HorizonEvent(kind=" + quote(canonical_name(event.kind)) +
                   ", ut1_julian_day=" + format_number(event.ut1_julian_day) + ")");
}

constexpr ModuleClass HORIZON_EVENT = &ModuleClasses::horizon_event;

PyGetSetDef properties[] = {
    {"kind", instance_member<HORIZON_EVENT, kind>, nullptr, nullptr, nullptr},
    {"ut1_julian_day", instance_member<HORIZON_EVENT, ut1_julian_day>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("One horizon event, as a UT1 Julian day.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<HORIZON_EVENT, refuse_construction>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<HorizonEvent>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<HORIZON_EVENT, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.HorizonEvent", sizeof(ValueObject<HorizonEvent>), 0,
                    Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyRef create_horizon_event_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_horizon_event(const HorizonEvent& event) {
    return wrap_value(module_classes().horizon_event, event);
}

}  // namespace orbyx::python
