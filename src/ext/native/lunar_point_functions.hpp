#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* lunar_point_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char LUNAR_POINT_DOC[] =
    "lunar_point(engine, point, instant, sidereal_mode=None)\n--\n\n"
    "The Moon's node or apsis `point` at `instant`: \"mean_node\", \"true_node\",\n"
    "\"mean_south_node\", \"true_south_node\", \"mean_apogee\", \"osculating_apogee\",\n"
    "\"mean_perigee\" or \"osculating_perigee\", as (longitude_deg, latitude_deg,\n"
    "longitude_speed_deg_per_day) on the true ecliptic and equinox of date, sidereal in\n"
    "`sidereal_mode` if given: the module's \"lahiri\" or \"fagan_bradley\" (nutation kept),\n"
    "or one of orbyx_ext.ayanamsha's names, subtracted with its nutation. The true points are those of the two-body orbit through the\n"
    "Moon's geometric geocentric state.";

}  // namespace orbyx::ext
