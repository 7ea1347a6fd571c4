#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* horizontal_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* horizontal_batch_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                    PyObject* kwnames);
PyObject* local_sidereal_time_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames);

inline constexpr const char HORIZONTAL_DOC[] =
    "horizontal(engine, body, observer, instant, pressure_mbar=None, temperature_c=None)\n--\n\n"
    "(altitude_deg, azimuth_deg, hour_angle_deg, declination_deg, right_ascension_deg,\n"
    "local_sidereal_time_deg, distance_au, source) of one body's apparent place seen from\n"
    "the site; the altitude is refracted when either weather value is given. The body\n"
    "may be a NAIF id or one of the companion's names.";
inline constexpr const char HORIZONTAL_BATCH_DOC[] =
    "horizontal_batch(engine, body, observer, instant, pressure_mbar=None, temperature_c=None)\n--\n\n"
    "(values, source) for a sequence of bodies over a sequence of instants: values a\n"
    "float64 array of shape (instants, bodies, 5) holding\n"
    "altitude, azimuth, hour angle, declination (degrees) and distance (au), the same\n"
    "bits as horizontal() gives one at a time; source \"tables\" only if every instant\n"
    "came from the time tables.";
inline constexpr const char LOCAL_SIDEREAL_TIME_DOC[] =
    "local_sidereal_time(engine, observer, instant)\n--\n\n"
    "(degrees, source): the site's local apparent sidereal time in [0, 360).";

}  // namespace orbyx::ext
