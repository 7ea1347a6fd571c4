#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/observer.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const GeodeticObserver& observer_of(PyObject* self) { return value_of<GeodeticObserver>(self); }

const char* const PARAMETERS[] = {"longitude_east_deg", "latitude_deg", "height_m"};
const Signature CONSTRUCTOR = {"GeodeticObserver", PARAMETERS, 3, 2};

PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    Parameters<3> parameters;
    if (!bind(CONSTRUCTOR, args, kwargs, parameters)) return nullptr;
    const auto longitude = extract_float(parameters[0], CONSTRUCTOR, 0);
    if (!longitude) return nullptr;
    const auto latitude = extract_float(parameters[1], CONSTRUCTOR, 1);
    if (!latitude) return nullptr;
    const auto height =
        parameters[2] != nullptr ? extract_float(parameters[2], CONSTRUCTOR, 2) : 0.0;
    if (!height) return nullptr;
    const GeodeticObserver observer{*longitude, *latitude, *height};
    auto valid = validate_observer(observer);
    if (!valid) return raise_value_error(message(valid.error()));
    return wrap_value(type, *valid);
}

PyObject* longitude_east_deg(PyObject* self, void*) {
    return new_float(observer_of(self).longitude_east_deg);
}
PyObject* latitude_deg(PyObject* self, void*) { return new_float(observer_of(self).latitude_deg); }
PyObject* height_m(PyObject* self, void*) { return new_float(observer_of(self).height_m); }

PyObject* repr(PyObject* self) { return new_str(observer_repr(observer_of(self))); }

constexpr ModuleClass GEODETIC_OBSERVER = &ModuleClasses::geodetic_observer;

PyGetSetDef properties[] = {
    {"longitude_east_deg", instance_member<GEODETIC_OBSERVER, longitude_east_deg>, nullptr, nullptr,
     nullptr},
    {"latitude_deg", instance_member<GEODETIC_OBSERVER, latitude_deg>, nullptr, nullptr, nullptr},
    {"height_m", instance_member<GEODETIC_OBSERVER, height_m>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>(
                    "GeodeticObserver(longitude_east_deg, latitude_deg, height_m=0.0)\n--\n\n"
                    "Geodetic site on Earth (east longitude, GRS80/ITRS, height in metres).")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<GEODETIC_OBSERVER, construct>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<GeodeticObserver>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<GEODETIC_OBSERVER, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.GeodeticObserver", sizeof(ValueObject<GeodeticObserver>), 0,
                    Py_TPFLAGS_DEFAULT, slots};

}  // namespace

std::string observer_repr(const GeodeticObserver& observer) {
    return "GeodeticObserver(longitude_east_deg=" + format_number(observer.longitude_east_deg) +
           ", latitude_deg=" + format_number(observer.latitude_deg) +
           ", height_m=" + format_number(observer.height_m) + ")";
}

PyRef create_geodetic_observer_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_geodetic_observer(const GeodeticObserver& observer) {
    return wrap_value(module_classes().geodetic_observer, observer);
}

const GeodeticObserver* observer_argument(PyObject* value, const Signature& signature,
                                          std::size_t index) {
    return value_argument<GeodeticObserver>(value, module_classes().geodetic_observer, signature,
                                            index);
}

}  // namespace orbyx::python
