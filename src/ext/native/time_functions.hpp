#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* convert_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames);
PyObject* instant_from_calendar_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                         PyObject* kwnames);
PyObject* calendar_from_instant_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                         PyObject* kwnames);

inline constexpr const char CONVERT_DOC[] =
    "convert(engine, instant, time_scale)\n--\n\n"
    "The instant in another time scale (\"utc\", \"ut1\", \"tt\" or \"tdb\") by the engine's own\n"
    "relations and time kernels, with where it came from: (instant, \"tables\"), or\n"
    "(instant, \"unchanged\") when it already is in that scale.";
inline constexpr const char INSTANT_FROM_CALENDAR_DOC[] =
    "instant_from_calendar(year, month, day, hour=0, minute=0, second=0.0, time_scale=\"utc\", "
    "engine=None)\n--\n\n"
    "The Instant of a proleptic Gregorian date and time in `time_scale`. A UTC leap second\n"
    "(second 60 to 61 at 23:59 before a step of the engine's leap-second table) needs\n"
    "`engine` and comes back in TT, since UTC Julian days have no room for it.";
inline constexpr const char CALENDAR_FROM_INSTANT_DOC[] =
    "calendar_from_instant(instant)\n--\n\n"
    "(year, month, day, hour, minute, second) of the instant, in its own time scale.";

}  // namespace orbyx::ext
