#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* ayanamsha_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char AYANAMSHA_DOC[] =
    "ayanamsha(ayanamsha, instant, nutation=True, engine=None)\n--\n\n"
    "Degrees from the equinox of date to the sidereal origin `ayanamsha` at `instant`:\n"
    "\"krishnamurti\", \"raman\", \"yukteshwar\", \"j2000\", \"j1900\" or \"b1950\", or a\n"
    "(reference_tt_day, value_deg) pair, carried from its epoch by the IAU 2006 general\n"
    "precession in longitude. With `nutation` it is measured from the true equinox (the\n"
    "nutation in longitude added), else from the mean one. `instant` is a TT Julian day\n"
    "or an orbyx.Instant; a UTC or UT1 instant needs `engine` to convert it to TT.";

}  // namespace orbyx::ext
