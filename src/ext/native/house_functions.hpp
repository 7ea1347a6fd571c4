#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* house_cusps_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

inline constexpr const char HOUSE_CUSPS_DOC[] =
    "house_cusps(observer, ut1, tt, system, fallback=None)\n--\n\n"
    "The houses of an orbyx.GeodeticObserver at a UT1/TT pair (Instants or Julian day\n"
    "floats) as bytes of twenty native doubles: the twelve cusps, ascendant, MC, RAMC,\n"
    "true obliquity, Vertex and East Point in degrees, the index of the system that\n"
    "divided (in the order \"placidus\", \"campanus\", \"equal\", \"whole_sign\", \"koch\",\n"
    "\"regiomontanus\", \"porphyry\", \"alcabitius\", \"topocentric\", \"morinus\",\n"
    "\"meridian\", \"vehlow\", \"sripati\") and 1.0 where that was the fallback. Where the\n"
    "system is undefined for the site (Placidus and Koch near the poles) the fallback\n"
    "divides instead, or ValueError is raised.";

}  // namespace orbyx::ext
