#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* chart_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* charts_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char CHART_DOC[] =
    "chart(engine, observer, instant, system, sidereal_mode, fallback, topocentric, extra_bodies)\n--\n\n"
    "A whole chart as bytes of 84 native doubles: per body (Sun, Moon, Mercury to Pluto)\n"
    "longitude, latitude, distance (au) and the true rate of the apparent longitude; per\n"
    "lunar point (in lunar_point's order of names) longitude, latitude and rate; the\n"
    "twelve cusps; ascendant, MC, RAMC, true obliquity, Vertex and East Point; 1.0 where\n"
    "the fallback divided; the ayanamsha subtracted (0.0 when tropical); then 4 more per\n"
    "extra body (a name or NAIF integer id), as per body.";
inline constexpr const char CHARTS_DOC[] =
    "charts(engine, observers, instants, system, sidereal_mode, fallback, topocentric, extra_bodies)\n--\n\n"
    "The charts of chart() for every instant, as a float64 array of shape\n"
    "(n, 84 + 4 * n_extra_bodies, 1); one\n"
    "orbyx.GeodeticObserver for all, or a sequence of them as long as the instants. A\n"
    "chart that fails fails the call, and ValueError names its index.";

}  // namespace orbyx::ext
