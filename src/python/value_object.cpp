#include "python/value_object.hpp"

#include "python/errors.hpp"

namespace orbyx::python {

PyObject* refuse_construction(PyTypeObject* type, PyObject*, PyObject*) {
    std::string name = type->tp_name;
    name = name.substr(name.rfind('.') + 1);
    return raise_type_error("No constructor defined for " + name);
}

PyObject* new_str(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* new_float(double value) { return PyFloat_FromDouble(value); }

}  // namespace orbyx::python
