#include "ext/native/state_functions.hpp"

#include <cstdint>
#include <optional>
#include <span>

#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/positions/any_date_positions.hpp"
#include "ext/states/geometric_state.hpp"
#include "ext/states/geometric_states.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/numpy_array.hpp"

namespace orbyx::ext {
namespace {

using python::Signature;

const char* const GEOMETRIC_STATE_PARAMETERS[] = {"engine", "target", "center", "instant"};
const Signature GEOMETRIC_STATE = {"geometric_state", GEOMETRIC_STATE_PARAMETERS, 4, 4};
const char* const GEOMETRIC_STATES_PARAMETERS[] = {"engine", "target", "center", "instants"};
const Signature GEOMETRIC_STATES = {"geometric_states", GEOMETRIC_STATES_PARAMETERS, 4, 4};
const char* const POSITION_PARAMETERS[] = {"engine", "body", "instant", "options"};
const Signature POSITION = {"position", POSITION_PARAMETERS, 4, 4};

}  // namespace

PyObject* geometric_state_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<4> call(GEOMETRIC_STATE, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto target = target_argument(call[1], GEOMETRIC_STATE, 1);
    if (!target) return nullptr;
    const auto center = target_argument(call[2], GEOMETRIC_STATE, 2);
    if (!center) return nullptr;
    const auto instant = orbyx_instant_argument(call[3], GEOMETRIC_STATE, 3);
    if (!instant) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto state = geometric_state(*engine, *target, *center, *instant);
    if (!python::succeeded(state)) return nullptr;
    return Py_BuildValue("(dddddd)", state->position[0], state->position[1], state->position[2],
                         state->velocity[0], state->velocity[1], state->velocity[2]);
}

PyObject* geometric_states_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<4> call(GEOMETRIC_STATES, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto target = target_argument(call[1], GEOMETRIC_STATES, 1);
    if (!target) return nullptr;
    const auto center = target_argument(call[2], GEOMETRIC_STATES, 2);
    if (!center) return nullptr;
    const auto instants = instants_argument(call[3], GEOMETRIC_STATES, 3, "a sequence of orbyx.Instant");
    if (!instants) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    double* data = nullptr;
    PyRef array = python::new_float64_array(instants->size(), 6, 1, data);
    if (!array) return nullptr;
    const std::span<double> rows(data, instants->size() * 6);
    if (!python::succeeded(geometric_states(*engine, *target, *center, *instants, rows))) return nullptr;
    return array.release();
}

PyObject* position_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<4> call(POSITION, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto target = target_argument(call[1], POSITION, 1);
    if (!target) return nullptr;
    const auto instant = orbyx_instant_argument(call[2], POSITION, 2);
    if (!instant) return nullptr;
    const auto options = orbyx_position_options_argument(call[3], POSITION, 3);
    if (!options) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto position = any_date_position(*engine, *target, *instant, *options);
    if (!python::succeeded(position)) return nullptr;
    return new_position(*position);
}

}  // namespace orbyx::ext
