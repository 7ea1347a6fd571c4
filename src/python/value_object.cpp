#include "python/value_object.hpp"

#include "python/errors.hpp"

namespace orbyx::python {
namespace {

// The module's classes as CPython names them, whose tp_name on PyPy lacks the
// module; any other class by its tp_name.
std::string received_name(PyTypeObject* type) {
    return module_classes().contains(type) ? class_path(type) : type->tp_name;
}

// The class of an object or the class itself, as a class member receives it.
std::string received_class_name(PyObject* cls) {
    return received_name(PyType_Check(cls) ? reinterpret_cast<PyTypeObject*>(cls) : Py_TYPE(cls));
}

}  // namespace

std::string_view class_name(PyTypeObject* type) {
    const std::string_view name = type->tp_name;  // with the module on CPython, without on PyPy
    return name.substr(name.rfind('.') + 1);
}

std::string class_path(PyTypeObject* type) { return "orbyx." + std::string(class_name(type)); }

bool check_holds_value(PyObject* object) {
    if (holds_value(object)) return true;
    const std::string path = class_path(Py_TYPE(object));
    raise_type_error("object.__new__(" + path + ") is not safe, use " + path + ".__new__()");
    return false;
}

bool check_self(PyObject* self, PyTypeObject* type) {
    if (Py_TYPE(self) == type) return check_holds_value(self);
    raise_type_error("descriptor requires a '" + class_path(type) + "' object but received a '" +
                     received_name(Py_TYPE(self)) + "'");
    return false;
}

bool check_class(PyObject* cls, PyTypeObject* type) {
    if (cls == reinterpret_cast<PyObject*>(type)) return true;
    if (PyType_Check(cls) && PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(cls), type)) {
        raise_not_acceptable_base(type);
        return false;
    }
    raise_type_error("descriptor requires the class '" + class_path(type) + "' but received '" +
                     received_class_name(cls) + "'");
    return false;
}

PyObject* raise_not_acceptable_base(PyTypeObject* type) {
    return raise_type_error("type '" + class_path(type) + "' is not an acceptable base type");
}

PyObject* refuse_construction(PyTypeObject* type, PyObject*, PyObject*) {
    return raise_type_error("No constructor defined for " + std::string(class_name(type)));
}

PyObject* new_str(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* new_float(double value) { return PyFloat_FromDouble(value); }

}  // namespace orbyx::python
