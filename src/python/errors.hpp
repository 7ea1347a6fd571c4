#pragma once

#include "python/py_ref.hpp"

#include <string_view>

namespace orbyx::python {

// Each returns nullptr so a method can `return raise_value_error(...)`.
PyObject* raise_value_error(std::string_view message);
PyObject* raise_type_error(std::string_view message);
PyObject* raise_runtime_error(std::string_view message);

// Refused use of an Engine from a thread other than its creator. Derived from
// BaseException so that a generic `except Exception` does not swallow the misuse.
PyObject* raise_wrong_thread(std::string_view type_path);
bool create_wrong_thread_error_class();
// The class as created, for orbyx to publish; and the published one, for orbyx_ext
// to raise, so that code catching the error sees one class whichever module raised it.
PyObject* wrong_thread_error_class();
void adopt_wrong_thread_error_class(PyObject* error_class);

// Reports a failure that cannot propagate (during deallocation) to the host's hook,
// without handing the hook the dying object.
void report_unraisable_runtime_error(std::string_view message);

}  // namespace orbyx::python
