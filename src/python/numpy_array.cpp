#include "python/numpy_array.hpp"

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>

namespace orbyx::python {
namespace {

bool numpy_api_loaded() { return PyArray_API != nullptr || _import_array() >= 0; }

}  // namespace

PyRef new_float64_array(std::size_t rows, std::size_t columns, std::size_t depth, double*& data) {
    if (!numpy_api_loaded()) return {};
    npy_intp shape[3] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(columns),
                         static_cast<npy_intp>(depth)};
    PyRef array = PyRef::steal(PyArray_SimpleNew(3, shape, NPY_FLOAT64));
    if (array) data = static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array.get())));
    return array;
}

std::optional<bool> is_numpy_bool(PyObject* value) {
    // Until the caller has imported NumPy no value can be one of its scalars, and
    // checking must not import it.
    PyRef name = PyRef::steal(PyUnicode_FromString("numpy"));
    if (!name) return std::nullopt;
    PyRef numpy = PyRef::steal(PyImport_GetModule(name.get()));
    if (!numpy) {
        if (PyErr_Occurred()) return std::nullopt;
        return false;
    }
    if (!numpy_api_loaded()) return std::nullopt;
    return PyArray_IsScalar(value, Bool);
}

}  // namespace orbyx::python
