#include "core/constants.hpp"
#include "python/classes.hpp"
#include "python/arguments.hpp"
#include "python/engine_open.hpp"
#include "python/house_cusps_function.hpp"
#include "python/option_functions.hpp"
#include "python/errors.hpp"
#include "python/guarded_call.hpp"
#include "python/value_object.hpp"
#include "registry/registry.hpp"

namespace orbyx::python {
namespace {

// PyModule_AddObject steals only on success; this owns the reference either way.
bool add(PyObject* module, const char* name, PyRef object) {
    if (!object || PyModule_AddObject(module, name, object.get()) < 0) return false;
    object.release();
    return true;
}

#ifdef PYPY_VERSION
// PyPy accepts any heap type as a base, whatever its flags: refuse subclasses at
// class creation instead. This can be deleted from Python; the constructors and
// class methods refuse subclasses as well.
PyObject* refuse_subclass(PyObject* subclass, PyObject*) {
    return raise_not_acceptable_base(reinterpret_cast<PyTypeObject*>(subclass)->tp_base);
}

PyMethodDef refuse_subclass_method = {"__init_subclass__", refuse_subclass, METH_NOARGS, nullptr};

bool make_final(PyObject* type) {
    PyRef guard = PyRef::steal(
        PyDescr_NewClassMethod(reinterpret_cast<PyTypeObject*>(type), &refuse_subclass_method));
    return guard && PyObject_SetAttrString(type, "__init_subclass__", guard.get()) == 0;
}
#else
bool make_final(PyObject*) { return true; }  // the missing base-type flag suffices
#endif

bool add_class(PyObject* module, const char* name, PyRef type, PyTypeObject*& slot) {
    if (!type || !make_final(type.get())) return false;
    slot = reinterpret_cast<PyTypeObject*>(type.get());
    Py_INCREF(slot);  // the module's registry keeps its own reference
    return add(module, name, std::move(type));
}

PyMethodDef functions[] = {
    {"open", as_method(guarded<open_function>), METH_FASTCALL | METH_KEYWORDS, OPEN_DOC},
    {"geometric", as_method(guarded<geometric_function>), METH_FASTCALL | METH_KEYWORDS,
     GEOMETRIC_DOC},
    {"apparent", as_method(guarded<apparent_function>), METH_FASTCALL | METH_KEYWORDS,
     APPARENT_DOC},
    {"house_cusps", as_method(guarded<house_cusps_function>), METH_FASTCALL | METH_KEYWORDS,
     HOUSE_CUSPS_DOC},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef definition = {PyModuleDef_HEAD_INIT, "orbyx", "", -1, nullptr,
                          nullptr,               nullptr, nullptr, nullptr};

// orbyx_ext recognises the classes by these addresses: a Python object can rebind
// `orbyx.Engine`, but not the class an object was made by.
void publish_classes(const ModuleClasses& classes) {
    registry::publish_orbyx_classes(
        {classes.engine, classes.instant, classes.geodetic_observer, classes.position_options,
         classes.position, wrong_thread_error_class()});
}

// Registers classes, then functions, then constants, in the module's public order.
PyObject* create_module() {
    if (!create_wrong_thread_error_class()) return nullptr;
    PyRef module = PyRef::steal(PyModule_Create(&definition));
    if (!module) return nullptr;
    // PyPy leaves an empty m_doc unset; the module's docstring is the empty string.
    PyRef empty_doc = PyRef::steal(new_str(""));
    if (!empty_doc || PyObject_SetAttrString(module.get(), "__doc__", empty_doc.get()) < 0) {
        return nullptr;
    }
    ModuleClasses& classes = module_classes();
    PyObject* m = module.get();
    const bool registered =
        add_class(m, "Instant", create_instant_class(), classes.instant) &&
        add_class(m, "GeodeticObserver", create_geodetic_observer_class(),
                  classes.geodetic_observer) &&
        add_class(m, "HouseSystem", create_house_system_class(), classes.house_system) &&
        add_class(m, "HouseCusps", create_house_cusps_class(), classes.house_cusps) &&
        add_class(m, "HorizonEventKind", create_horizon_event_kind_class(),
                  classes.horizon_event_kind) &&
        add_class(m, "RiseSetTransit", create_rise_set_transit_class(),
                  classes.rise_set_transit) &&
        add_class(m, "HorizonEvent", create_horizon_event_class(), classes.horizon_event) &&
        add_class(m, "SeasonEvent", create_season_event_class(), classes.season_event) &&
        add_class(m, "LunationEvent", create_lunation_event_class(), classes.lunation_event) &&
        add_class(m, "SiderealMode", create_sidereal_mode_class(), classes.sidereal_mode) &&
        add_class(m, "PositionOptions", create_position_options_class(),
                  classes.position_options) &&
        add_class(m, "Position", create_position_class(), classes.position) &&
        add_class(m, "DateRange", create_date_range_class(), classes.date_range) &&
        add_class(m, "KernelMetadata", create_kernel_metadata_class(), classes.kernel_metadata) &&
        add_class(m, "Engine", create_engine_class(), classes.engine) &&
        PyModule_AddFunctions(m, functions) == 0 &&
        add(m, "J2000_JULIAN_DAY", PyRef::steal(new_float(J2000_JULIAN_DAY))) &&
        add(m, "SUN_UPPER_LIMB_ALTITUDE_DEG",
            PyRef::steal(new_float(SUN_UPPER_LIMB_ALTITUDE_DEG))) &&
        add(m, "MEAN_REFRACTION_ALTITUDE_DEG",
            PyRef::steal(new_float(MEAN_REFRACTION_ALTITUDE_DEG)));
    if (!registered) return nullptr;
    publish_classes(classes);
    return module.release();
}

}  // namespace

ModuleClasses& module_classes() {
    static ModuleClasses classes;
    return classes;
}

}  // namespace orbyx::python

PyMODINIT_FUNC PyInit_orbyx() { return orbyx::python::create_module(); }
