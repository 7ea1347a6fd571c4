#pragma once

#include "python/py_ref.hpp"

#include <cstddef>

namespace orbyx::python {

// A new C-contiguous float64 array of shape (rows, columns, depth) that owns its
// buffer, left for the caller to fill through `data`. NumPy is imported
// on first use, so that the rest of the module works without it.
PyRef new_float64_array(std::size_t rows, std::size_t columns, std::size_t depth, double*& data);

}  // namespace orbyx::python
