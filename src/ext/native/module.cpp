#include "ext/native/ayanamsha_functions.hpp"
#include "ext/native/chart_functions.hpp"
#include "ext/native/crossing_functions.hpp"
#include "ext/native/engine_open_function.hpp"
#include "ext/native/horizon_functions.hpp"
#include "ext/native/lunar_point_functions.hpp"
#include "ext/native/house_functions.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/phenomena_functions.hpp"
#include "ext/native/position_batch_functions.hpp"
#include "ext/native/sky_functions.hpp"
#include "ext/native/state_functions.hpp"
#include "ext/native/text_functions.hpp"
#include "ext/native/time_functions.hpp"
#include "python/arguments.hpp"
#include "python/guarded_call.hpp"

namespace orbyx::ext {
namespace {

using python::as_method;
using python::guarded;

PyMethodDef functions[] = {
    {"open", as_method(guarded<open_function>), METH_FASTCALL | METH_KEYWORDS, OPEN_DOC},
    {"convert", as_method(guarded<convert_function>), METH_FASTCALL | METH_KEYWORDS, CONVERT_DOC},
    {"instant_from_calendar", as_method(guarded<instant_from_calendar_function>),
     METH_FASTCALL | METH_KEYWORDS, INSTANT_FROM_CALENDAR_DOC},
    {"calendar_from_instant", as_method(guarded<calendar_from_instant_function>),
     METH_FASTCALL | METH_KEYWORDS, CALENDAR_FROM_INSTANT_DOC},
    {"phenomena", as_method(guarded<phenomena_function>), METH_FASTCALL | METH_KEYWORDS, PHENOMENA_DOC},
    {"moon_age", as_method(guarded<moon_age_function>), METH_FASTCALL | METH_KEYWORDS, MOON_AGE_DOC},
    {"ayanamsha", as_method(guarded<ayanamsha_function>), METH_FASTCALL | METH_KEYWORDS, AYANAMSHA_DOC},
    {"lunar_point", as_method(guarded<lunar_point_function>), METH_FASTCALL | METH_KEYWORDS, LUNAR_POINT_DOC},
    {"longitude_crossings", as_method(guarded<longitude_crossings_function>),
     METH_FASTCALL | METH_KEYWORDS, LONGITUDE_CROSSINGS_DOC},
    {"ecliptic_passages", as_method(guarded<ecliptic_passages_function>),
     METH_FASTCALL | METH_KEYWORDS, ECLIPTIC_PASSAGES_DOC},
    {"stations", as_method(guarded<stations_function>), METH_FASTCALL | METH_KEYWORDS, STATIONS_DOC},
    {"horizontal", as_method(guarded<horizontal_function>), METH_FASTCALL | METH_KEYWORDS, HORIZONTAL_DOC},
    {"horizontal_batch", as_method(guarded<horizontal_batch_function>), METH_FASTCALL | METH_KEYWORDS,
     HORIZONTAL_BATCH_DOC},
    {"local_sidereal_time", as_method(guarded<local_sidereal_time_function>), METH_FASTCALL | METH_KEYWORDS,
     LOCAL_SIDEREAL_TIME_DOC},
    {"horizon_events", as_method(guarded<horizon_events_function>), METH_FASTCALL | METH_KEYWORDS,
     HORIZON_EVENTS_DOC},
    {"twilight_events", as_method(guarded<twilight_events_function>), METH_FASTCALL | METH_KEYWORDS,
     TWILIGHT_EVENTS_DOC},
    {"geometric_state", as_method(guarded<geometric_state_function>), METH_FASTCALL | METH_KEYWORDS,
     GEOMETRIC_STATE_DOC},
    {"geometric_states", as_method(guarded<geometric_states_function>), METH_FASTCALL | METH_KEYWORDS,
     GEOMETRIC_STATES_DOC},
    {"position", as_method(guarded<position_function>), METH_FASTCALL | METH_KEYWORDS, POSITION_DOC},
    {"positions", as_method(guarded<positions_function>), METH_FASTCALL | METH_KEYWORDS, POSITIONS_DOC},
    {"house_cusps", as_method(guarded<house_cusps_function>), METH_FASTCALL | METH_KEYWORDS,
     HOUSE_CUSPS_DOC},
    {"chart", as_method(guarded<chart_function>), METH_FASTCALL | METH_KEYWORDS, CHART_DOC},
    {"charts", as_method(guarded<charts_function>), METH_FASTCALL | METH_KEYWORDS, CHARTS_DOC},
    {"shortest_rows", as_method(guarded<shortest_rows_function>), METH_FASTCALL | METH_KEYWORDS,
     SHORTEST_ROWS_DOC},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef definition = {PyModuleDef_HEAD_INIT, "orbyx_ext._native", "", -1, functions,
                          nullptr,               nullptr,             nullptr, nullptr};

PyObject* create_module() {
    if (!load_orbyx_classes()) return nullptr;
    return PyModule_Create(&definition);
}

}  // namespace
}  // namespace orbyx::ext

PyMODINIT_FUNC PyInit__native() { return orbyx::ext::create_module(); }
