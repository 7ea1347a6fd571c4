#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* longitude_crossings_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames);
PyObject* ecliptic_passages_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                     PyObject* kwnames);
PyObject* stations_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames);

inline constexpr const char LONGITUDE_CROSSINGS_DOC[] =
    "longitude_crossings(engine, body, longitude_deg, start, end, sidereal_mode=None)\n--\n\n"
    "Every instant in [start, end) at which the body's apparent geocentric longitude on the\n"
    "true ecliptic of date reaches `longitude_deg`, in time order, as (instant, direction)\n"
    "pairs: TT instants, \"increasing\" or \"decreasing\". With `sidereal_mode` (the module's\n"
    "\"lahiri\" or \"fagan_bradley\", a name orbyx_ext.ayanamsha knows, or a\n"
    "(reference_tt_day, value_deg[, precession]) tuple) the longitude is sidereal. Each\n"
    "search takes the body as orbyx names it, by a companion name or by NAIF id.";
inline constexpr const char ECLIPTIC_PASSAGES_DOC[] =
    "ecliptic_passages(engine, body, start, end)\n--\n\n"
    "Every instant in [start, end) at which the body's apparent geocentric latitude on the\n"
    "true ecliptic of date changes sign, in time order, as (instant, direction) pairs: TT\n"
    "instants, \"ascending\" or \"descending\".";
inline constexpr const char STATIONS_DOC[] =
    "stations(engine, body, start, end, sidereal_mode=None)\n--\n\n"
    "Every instant in [start, end) at which the rate of the body's apparent geocentric\n"
    "longitude of date changes sign, in time order, as (instant, direction) pairs: TT\n"
    "instants, \"retrograde\" where it starts decreasing, \"direct\" where it starts\n"
    "increasing. `sidereal_mode` is as in longitude_crossings; a sidereal longitude's rate\n"
    "includes the ayanamsha's.";

}  // namespace orbyx::ext
