#pragma once

#include "python/py_ref.hpp"

namespace orbyx::ext {

PyObject* geometric_state_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* geometric_states_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* position_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

inline constexpr const char GEOMETRIC_STATE_DOC[] =
    "geometric_state(engine, target, center, instant)\n--\n\n"
    "(x_km, y_km, z_km, vx_km_per_s, vy_km_per_s, vz_km_per_s) of the target relative to\n"
    "the center, each a body name as orbyx names them, one of the companion's names or a\n"
    "NAIF integer id: uncorrected,\n"
    "in the kernels' frame, as a kernel reader gives it.";

inline constexpr const char GEOMETRIC_STATES_DOC[] =
    "geometric_states(engine, target, center, instants)\n--\n\n"
    "geometric_state at each instant of a sequence, as a float64 array of shape\n"
    "(len(instants), 6, 1), computed in one batch.";

inline constexpr const char POSITION_DOC[] =
    "position(engine, body, instant, options)\n--\n\n"
    "orbyx.Position of the body, a name as orbyx names them, one of the companion's\n"
    "names (\"io\", \"titan\", \"ceres\", ...) or a NAIF integer id, under an\n"
    "orbyx.PositionOptions: Engine.position for any body the kernels hold, and\n"
    "topocentric on any day of the kernel, by UT1 from the ΔT model beyond the time tables.";

}  // namespace orbyx::ext
