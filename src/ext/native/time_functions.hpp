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
    "The instant in another time scale (\"utc\", \"ut1\", \"tt\" or \"tdb\"), with where it came\n"
    "from: (instant, \"tables\") by the engine's own relations and time kernels,\n"
    "(instant, \"model\") where UT1 lies outside them and comes from the Delta T model\n"
    "(Morrison et al. 2021 splines, 720 BC to AD 2019, and the Stephenson et al. 2016\n"
    "parabola beyond), joined without a step to the tables at their edges, or\n"
    "(instant, \"unchanged\") when it already is in that scale. A UTC day before the\n"
    "leap-second kernel's first entry (1972) is read as UT1. TT and TDB convert on any\n"
    "day; UTC needs a leap-second kernel, and before its first entry an Earth orientation\n"
    "table too; UT1 needs both.";
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
