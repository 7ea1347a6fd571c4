#include "core/format.hpp"
#include "python/classes.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const Position& position_of(PyObject* self) { return value_of<Position>(self); }

PyObject* longitude_deg(PyObject* self, void*) { return new_float(position_of(self).longitude_deg); }
PyObject* latitude_deg(PyObject* self, void*) { return new_float(position_of(self).latitude_deg); }
PyObject* distance_au(PyObject* self, void*) { return new_float(position_of(self).distance_au); }
PyObject* longitude_speed_deg_per_day(PyObject* self, void*) {
    return new_float(position_of(self).longitude_speed_deg_per_day);
}

PyObject* repr(PyObject* self) {
    const Position& p = position_of(self);
    return new_str("Position(longitude_deg=" + format_number(p.longitude_deg) +
                   ", latitude_deg=" + format_number(p.latitude_deg) +
                   ", distance_au=" + format_number(p.distance_au) +
                   ", longitude_speed_deg_per_day=" + format_number(p.longitude_speed_deg_per_day) +
                   ")");
}

constexpr ModuleClass POSITION = &ModuleClasses::position;

PyGetSetDef properties[] = {
    {"longitude_deg", instance_member<POSITION, longitude_deg>, nullptr, nullptr, nullptr},
    {"latitude_deg", instance_member<POSITION, latitude_deg>, nullptr, nullptr, nullptr},
    {"distance_au", instance_member<POSITION, distance_au>, nullptr, nullptr, nullptr},
    {"longitude_speed_deg_per_day", instance_member<POSITION, longitude_speed_deg_per_day>,
     nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Spherical position returned by a scalar request.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<POSITION, refuse_construction>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<Position>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<POSITION, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.Position", sizeof(ValueObject<Position>), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyRef create_position_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_position(const Position& position) {
    return wrap_value(module_classes().position, position);
}

}  // namespace orbyx::python
