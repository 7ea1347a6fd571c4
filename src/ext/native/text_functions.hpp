#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* shortest_rows_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char SHORTEST_ROWS_DOC[] =
    "shortest_rows(prefixes, values, suffixes)\n--\n\n"
    "A table's rows as one str: row r is prefixes[r], then each of its values followed by\n"
    "its column's suffix, every value as repr(float(value)) writes it (shortest round-trip\n"
    "digits). `values` run row by row, len(suffixes) in each of len(prefixes) rows.";

}  // namespace orbyx::ext
