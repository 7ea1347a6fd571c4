#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* positions_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char POSITIONS_DOC[] =
    "positions(engine, bodies, instants, options, sidereal_mode=None)\n--\n\n"
    "Engine.positions for any bodies the kernels hold, each a name as orbyx names them,\n"
    "one of the companion's names or a NAIF integer id: a float64 array of shape\n"
    "(n_instants, n_bodies, 4) of longitude, latitude, distance (au) and longitude speed.\n"
    "A topocentric site is turned on any day of the kernel, by UT1 from the ΔT model\n"
    "beyond the time tables. With sidereal_mode (as for house_cusps) the ecliptic-of-date\n"
    "longitudes and speeds are sidereal: Engine.sidereal_position for a module mode.";

}  // namespace orbyx::ext
