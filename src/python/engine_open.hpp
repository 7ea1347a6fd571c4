#pragma once

#include "python/arguments.hpp"
#include "python/open_arguments.hpp"

namespace orbyx::python {

// `Engine(...)` and `open(...)` take the same six parameters (python/open_arguments.hpp).
const Signature& engine_open_signature(std::string_view callable);

// Opens the primary kernel, then the optional time kernels, and returns a new
// Engine owned by the calling thread (null with the error set on failure).
PyObject* open_engine(const Signature& signature, PyObject* const* parameters);

PyObject* new_engine(SpkEphemeris engine);

// The module function `open`.
PyObject* open_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames);
extern const char* const OPEN_DOC;

}  // namespace orbyx::python
