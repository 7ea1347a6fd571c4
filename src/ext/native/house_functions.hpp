#pragma once

#include "python/py_ref.hpp"

#include <optional>

#include "ext/houses/house_system_names.hpp"

namespace orbyx::ext {

// A house system named as house_cusps names them; empty with TypeError or ValueError.
std::optional<AnyHouseSystem> house_system_argument(PyObject* value);

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
