#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* phenomena_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames);
PyObject* moon_age_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames);

inline constexpr const char PHENOMENA_DOC[] =
    "phenomena(engine, body, instant, observer=None)\n--\n\n"
    "How the body (a name as orbyx names them but \"earth\", one of the companion's names\n"
    "or a NAIF integer id) looks at the instant from the geocentre, or from an\n"
    "orbyx.GeodeticObserver: (elongation_deg from the Sun,\n"
    "between apparent places; phase_angle_deg, Sun - body - observer between light-time\n"
    "corrected directions; illuminated_fraction, (1 + cos phase) / 2;\n"
    "angular_diameter_arcsec of the IAU mean radius, None where it is unknown;\n"
    "distance_au, light-time corrected).";
inline constexpr const char MOON_AGE_DOC[] =
    "moon_age(engine, instant)\n--\n\n"
    "(age_days, phase_angle_deg, new_moon): TT days since the last new Moon at or before\n"
    "the instant (the Moon's apparent geocentric ecliptic longitude equal to the Sun's),\n"
    "the Moon's geocentric phase angle, and that new Moon as a TT Instant.";

}  // namespace orbyx::ext
