#include "python/numpy_array.hpp"

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>

namespace orbyx::python {

PyRef new_float64_array(std::size_t rows, std::size_t columns, std::size_t depth, double*& data) {
    if (PyArray_API == nullptr && _import_array() < 0) return {};
    npy_intp shape[3] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(columns),
                         static_cast<npy_intp>(depth)};
    PyRef array = PyRef::steal(PyArray_SimpleNew(3, shape, NPY_FLOAT64));
    if (array) data = static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array.get())));
    return array;
}

}  // namespace orbyx::python
