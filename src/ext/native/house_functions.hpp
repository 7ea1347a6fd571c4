#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* house_cusps_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

inline constexpr const char HOUSE_CUSPS_DOC[] =
    "house_cusps(observer, ut1, tt, system, fallback=None)\n--\n\n"
    "The houses of an orbyx.GeodeticObserver at a UT1/TT pair (Instants or Julian day\n"
    "floats): (system, cusps, ascendant_deg, midheaven_deg, ramc_deg, true_obliquity_deg,\n"
    "vertex_deg, east_point_deg, fallback_used), degrees on the true ecliptic of date.\n"
    "system is one of \"placidus\", \"campanus\", \"equal\", \"whole_sign\", \"koch\",\n"
    "\"regiomontanus\", \"porphyry\", \"alcabitius\", \"topocentric\", \"morinus\", \"meridian\",\n"
    "\"vehlow\", \"sripati\"; where it is undefined for the site (Placidus and Koch near the\n"
    "poles) the fallback system divides instead, or ValueError is raised.";

}  // namespace orbyx::ext
