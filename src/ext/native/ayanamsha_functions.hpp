#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* ayanamsha_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char AYANAMSHA_DOC[] =
    "ayanamsha(ayanamsha, instant, nutation=True, engine=None)\n--\n\n"
    "Degrees from the equinox of date to the sidereal origin `ayanamsha` at `instant`.\n"
    "\"krishnamurti\", \"raman\", \"yukteshwar\", \"j2000\", \"j1900\", \"b1950\" and a\n"
    "(reference_tt_day, value_deg[, precession]) tuple are carried from their epoch by a\n"
    "general precession in longitude (\"iau2006\" unless the tuple names \"iau1976\").\n"
    "\"true_chitra\", \"true_revati\", \"true_pushya\" and \"galactic_centre\" keep Spica,\n"
    "zeta Piscium, delta Cancri or Sgr A* at 180 deg, 359 deg 50', 106 deg or 240 deg.\n"
    "With `nutation` it is measured from the true equinox (the nutation in longitude\n"
    "added), else from the mean one. `instant` is a TT Julian day or an orbyx.Instant;\n"
    "a UTC or UT1 instant needs `engine` to convert it to TT.";

}  // namespace orbyx::ext
