#pragma once

#include "python/py_ref.hpp"

namespace orbyx::python {

// The module function `house_cusps`: needs no Engine.
PyObject* house_cusps_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

inline constexpr const char* HOUSE_CUSPS_DOC =
    "house_cusps(observer, ut1, tt, system)\n--\n\n"
    "Ecliptic house cusps at a UT1/TT pair (no SPK kernel).\n\n"
    "`ut1` and `tt` may be [`PyInstant`] values or Julian-day floats. Polar\n"
    "motion is omitted, as in the core house computation.";

}  // namespace orbyx::python
