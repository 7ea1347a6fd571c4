#include "core/format.hpp"
#include "python/classes.hpp"
#include "python/names.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const HouseCusps& cusps_of(PyObject* self) { return value_of<HouseCusps>(self); }

PyObject* system(PyObject* self, void*) { return new_house_system(cusps_of(self).system); }

PyObject* cusp_ecliptic_longitude_deg(PyObject* self, void*) {
    const auto& cusps = cusps_of(self).cusp_ecliptic_longitude_deg;
    PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(cusps.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < cusps.size(); ++i) {
        PyObject* cusp = new_float(cusps[i]);
        if (cusp == nullptr) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), cusp);  // steals `cusp`
    }
    return list.release();
}

PyObject* ascendant_deg(PyObject* self, void*) { return new_float(cusps_of(self).ascendant_deg); }
PyObject* midheaven_deg(PyObject* self, void*) { return new_float(cusps_of(self).midheaven_deg); }
PyObject* ramc_deg(PyObject* self, void*) { return new_float(cusps_of(self).ramc_deg); }
PyObject* local_sidereal_time_deg(PyObject* self, void*) {
    return new_float(cusps_of(self).local_sidereal_time_deg);
}
PyObject* true_obliquity_deg(PyObject* self, void*) {
    return new_float(cusps_of(self).true_obliquity_deg);
}

PyObject* repr(PyObject* self) {
    const HouseCusps& cusps = cusps_of(self);
    return new_str("HouseCusps(system=" + quote(canonical_name(cusps.system)) +
                   ", ascendant_deg=" + format_number(cusps.ascendant_deg) +
                   ", midheaven_deg=" + format_number(cusps.midheaven_deg) + ")");
}

constexpr ModuleClass HOUSE_CUSPS = &ModuleClasses::house_cusps;

PyGetSetDef properties[] = {
    {"system", instance_member<HOUSE_CUSPS, system>, nullptr, nullptr, nullptr},
    {"cusp_ecliptic_longitude_deg", instance_member<HOUSE_CUSPS, cusp_ecliptic_longitude_deg>,
     nullptr, nullptr, nullptr},
    {"ascendant_deg", instance_member<HOUSE_CUSPS, ascendant_deg>, nullptr, nullptr, nullptr},
    {"midheaven_deg", instance_member<HOUSE_CUSPS, midheaven_deg>, nullptr, nullptr, nullptr},
    {"ramc_deg", instance_member<HOUSE_CUSPS, ramc_deg>, nullptr, nullptr, nullptr},
    {"local_sidereal_time_deg", instance_member<HOUSE_CUSPS, local_sidereal_time_deg>,
     nullptr, nullptr, nullptr},
    {"true_obliquity_deg", instance_member<HOUSE_CUSPS, true_obliquity_deg>,
     nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Ecliptic longitudes of the twelve house cusps plus ASC/MC.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<HOUSE_CUSPS, refuse_construction>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<HouseCusps>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<HOUSE_CUSPS, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.HouseCusps", sizeof(ValueObject<HouseCusps>), 0, Py_TPFLAGS_DEFAULT,
                    slots};

}  // namespace

PyRef create_house_cusps_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_house_cusps(const HouseCusps& cusps) {
    return wrap_value(module_classes().house_cusps, cusps);
}

}  // namespace orbyx::python
