#pragma once

#include "python/py_ref.hpp"

namespace orbyx::python {

// The module functions `geometric` and `apparent`.
PyObject* geometric_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames);
PyObject* apparent_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames);

inline constexpr const char* GEOMETRIC_DOC =
    "geometric(origin=\"geocentric\", coordinate_system=\"ecliptic\", observer=None)\n--\n\n"
    "Geometric J2000 request with every correction switch off.";
inline constexpr const char* APPARENT_DOC =
    "apparent(origin=\"geocentric\", coordinate_system=\"ecliptic\", observer=None)\n--\n\n"
    "Apparent-place convenience at the true equinox/ecliptic of date.";

}  // namespace orbyx::python
