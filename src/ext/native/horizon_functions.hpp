#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* horizon_events_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames);
PyObject* twilight_events_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames);

inline constexpr const char HORIZON_EVENTS_DOC[] =
    "horizon_events(engine, body, observer, start, end, altitude_deg=None)\n--\n\n"
    "Every rise, set, upper and lower transit of the body for the site within [start, end),\n"
    "in time order, as HorizonEvent(instant, kind) with UT1 instants and kinds \"rise\",\n"
    "\"set\", \"upper_transit\" and \"lower_transit\". By default the Sun rises and sets by its\n"
    "centre 50' below the horizon, as almanacs have it; the Moon by its upper limb under 34'\n"
    "of refraction, its semidiameter from its distance; any other body by its centre under\n"
    "34'. A given altitude_deg is the centre's. The body may be a NAIF id or one of the\n"
    "companion's names.";
inline constexpr const char TWILIGHT_EVENTS_DOC[] =
    "twilight_events(engine, observer, start, end, twilight=\"civil\")\n--\n\n"
    "Every dawn and dusk of the twilight (\"civil\", \"nautical\" or \"astronomical\": the\n"
    "Sun's centre 6, 12 or 18 degrees below the horizon) within [start, end), in time\n"
    "order, as TwilightEvent(instant, kind) with UT1 instants and kinds \"dawn\" and \"dusk\".";

}  // namespace orbyx::ext
