#pragma once

#include "python/py_ref.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace orbyx::python {

// NumPy is imported on first use, so that the rest of the module works without it.

// A new C-contiguous float64 array of shape (rows, columns, depth) that owns its
// buffer, left for the caller to fill through `data`.
PyRef new_float64_array(std::size_t rows, std::size_t columns, std::size_t depth, double*& data);

// The items of `value` if it is exactly a one-dimensional NumPy array of objects, as
// iterating it would give them, each with a reference of ours; empty, with no error
// set, for any other value.
std::optional<std::vector<PyRef>> numpy_object_items(PyObject* value);

// The items of a sequence, each with a reference of ours: a NumPy object vector as
// above, any other through its fast sequence form; empty with the error set if that
// fails.
std::optional<std::vector<PyRef>> held_items(PyObject* sequence);

// Whether `value` is a NumPy boolean scalar; empty with the error set if NumPy
// is loaded but its C API is not available.
std::optional<bool> is_numpy_bool(PyObject* value);

}  // namespace orbyx::python
