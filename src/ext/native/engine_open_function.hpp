#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

// `open(...)`: orbyx.open's parameters, an orbyx.Engine that evaluates the extended segment types.
PyObject* open_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
extern const char* const OPEN_DOC;

}  // namespace orbyx::ext
