#include "ext/native/state_functions.hpp"

#include <cstdint>
#include <optional>

#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/states/geometric_state.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"

namespace orbyx::ext {
namespace {

using python::Access;
using python::EngineUse;
using python::Parameters;
using python::Signature;

const char* const GEOMETRIC_STATE_PARAMETERS[] = {"engine", "target", "center", "instant"};
const Signature GEOMETRIC_STATE = {"geometric_state", GEOMETRIC_STATE_PARAMETERS, 4, 4};

// A NAIF id given as an int, or the id of a body named as orbyx names them.
std::optional<std::int32_t> naif_body_argument(PyObject* value, const Signature& signature, std::size_t index) {
    if (!PyLong_Check(value)) {
        const auto body = body_argument(value, signature, index);
        if (!body) return std::nullopt;
        return naif_id(*body);
    }
    int overflow = 0;
    const long long id = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (id == -1 && PyErr_Occurred()) return std::nullopt;
    if (overflow != 0 || id < INT32_MIN || id > INT32_MAX) {
        python::raise_value_error("NAIF " + std::string(signature.names[index]) + " id is out of range");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(id);
}

}  // namespace

PyObject* geometric_state_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<4> parameters;
    if (!python::bind(GEOMETRIC_STATE, args, nargs, kwnames, parameters)) return nullptr;
    if (!check_engine_argument(parameters[0], GEOMETRIC_STATE, 0)) return nullptr;
    EngineUse use(parameters[0], Access::Shared);
    if (!use) return nullptr;
    const auto target = naif_body_argument(parameters[1], GEOMETRIC_STATE, 1);
    if (!target) return nullptr;
    const auto center = naif_body_argument(parameters[2], GEOMETRIC_STATE, 2);
    if (!center) return nullptr;
    const auto instant = orbyx_instant_argument(parameters[3], GEOMETRIC_STATE, 3);
    if (!instant) return nullptr;
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto state = geometric_state(*engine, *target, *center, *instant);
    if (!python::succeeded(state)) return nullptr;
    return Py_BuildValue("(dddddd)", state->position[0], state->position[1], state->position[2],
                         state->velocity[0], state->velocity[1], state->velocity[2]);
}

}  // namespace orbyx::ext
