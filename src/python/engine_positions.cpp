#include <optional>
#include <span>
#include <string>
#include <vector>

#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/engine_use.hpp"
#include "python/names.hpp"
#include "python/numpy_array.hpp"

namespace orbyx::python {
namespace {

const char* const POSITION_PARAMETERS[] = {"body", "instant", "options"};
const Signature POSITION = {"position", POSITION_PARAMETERS, 3, 3};
const char* const SIDEREAL_POSITION_PARAMETERS[] = {"body", "instant", "options", "mode"};
const Signature SIDEREAL_POSITION = {"sidereal_position", SIDEREAL_POSITION_PARAMETERS, 4, 4};
const char* const POSITIONS_PARAMETERS[] = {"bodies", "instants", "options"};
const Signature POSITIONS = {"positions", POSITIONS_PARAMETERS, 3, 3};

// The items of a sequence argument (a list or tuple as it is, any other sequence
// read through its item access), each held by a reference of ours: reading a later
// argument can run Python code that changes the caller's list and frees the items it
// had. (A tuple copy of the list would do as well, but PyPy builds a C object for it
// item by item.) A str is a sequence too, but never one of names.
std::optional<std::vector<PyRef>> held_sequence_items(PyObject* value, const Signature& signature,
                                                      std::size_t index) {
    if (PyUnicode_Check(value)) {
        raise_type_error(std::string(signature.callable) + "() argument '" +
                         signature.names[index] + "': Can't extract `str` to `Vec`");
        return std::nullopt;
    }
    if (!PySequence_Check(value)) {
        raise_wrong_argument_type(signature, index, "a sequence", value);
        return std::nullopt;
    }
    return held_items(value);
}

void raise_wrong_item_type(const Signature& signature, std::size_t index, Py_ssize_t item,
                           std::string_view expected, PyObject* value) {
    raise_type_error(std::string(signature.callable) + "() argument '" + signature.names[index] +
                     "' item " + std::to_string(item) + " must be " + std::string(expected) +
                     ", not " + Py_TYPE(value)->tp_name);
}

}  // namespace

PyObject* engine_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
    Parameters<3> parameters;
    if (!bind(POSITION, args, nargs, kwnames, parameters)) return nullptr;
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const auto body_text = extract_str(parameters[0], POSITION, 0);
    if (!body_text) return nullptr;
    const Instant* instant = instant_argument(parameters[1], POSITION, 1);
    if (instant == nullptr) return nullptr;
    const PositionOptions* options = options_argument(parameters[2], POSITION, 2);
    if (options == nullptr) return nullptr;
    const auto body = parse_body(*body_text);
    if (!body) return raise_value_error(body.error());
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto position = engine->position(*body, *instant, *options);
    return succeeded(position) ? new_position(*position) : nullptr;
}

PyObject* engine_sidereal_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    Parameters<4> parameters;
    if (!bind(SIDEREAL_POSITION, args, nargs, kwnames, parameters)) return nullptr;
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const auto body_text = extract_str(parameters[0], SIDEREAL_POSITION, 0);
    if (!body_text) return nullptr;
    const Instant* instant = instant_argument(parameters[1], SIDEREAL_POSITION, 1);
    if (instant == nullptr) return nullptr;
    const PositionOptions* options = options_argument(parameters[2], SIDEREAL_POSITION, 2);
    if (options == nullptr) return nullptr;
    const auto body = parse_body(*body_text);
    if (!body) return raise_value_error(body.error());
    const auto mode = extract_parsed_name(parameters[3], parse_sidereal_mode);
    if (!mode) return nullptr;
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto position = engine->sidereal_position(*body, *instant, *options, *mode);
    return succeeded(position) ? new_position(*position) : nullptr;
}

PyObject* engine_positions(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    Parameters<3> parameters;
    if (!bind(POSITIONS, args, nargs, kwnames, parameters)) return nullptr;
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;

    const auto body_objects = held_sequence_items(parameters[0], POSITIONS, 0);
    if (!body_objects) return nullptr;
    for (std::size_t i = 0; i < body_objects->size(); ++i) {
        PyObject* const body = (*body_objects)[i].get();
        if (!PyUnicode_Check(body)) {
            raise_wrong_item_type(POSITIONS, 0, static_cast<Py_ssize_t>(i), "str", body);
            return nullptr;
        }
    }
    // An Instant never changes: its value is taken as soon as its item is checked.
    std::vector<Instant> instants;
    {
        const auto instant_objects = held_sequence_items(parameters[1], POSITIONS, 1);
        if (!instant_objects) return nullptr;
        instants.reserve(instant_objects->size());
        for (std::size_t i = 0; i < instant_objects->size(); ++i) {
            PyObject* const instant = (*instant_objects)[i].get();
            if (Py_TYPE(instant) != module_classes().instant) {
                raise_wrong_item_type(POSITIONS, 1, static_cast<Py_ssize_t>(i), "Instant", instant);
                return nullptr;
            }
            if (!check_holds_value(instant)) return nullptr;
            instants.push_back(value_of<Instant>(instant));
        }
    }
    const PositionOptions* options = options_argument(parameters[2], POSITIONS, 2);
    if (options == nullptr) return nullptr;

    std::vector<Body> bodies;
    bodies.reserve(body_objects->size());
    for (const PyRef& body_object : *body_objects) {
        const auto text = extract_str(body_object.get(), POSITIONS, 0);
        if (!text) return nullptr;
        const auto body = parse_body(*text);
        if (!body) return raise_value_error(body.error());
        bodies.push_back(*body);
    }
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    // The array only for a request that passed every check: a refused one must not
    // first fail to allocate its result.
    const auto batch = engine->check_positions(bodies, instants, *options);
    if (!succeeded(batch)) return nullptr;
    double* data = nullptr;
    PyRef array = new_float64_array(instants.size(), bodies.size(), PositionBatch::VALUES_PER_ENTRY, data);
    if (!array) return nullptr;
    const auto written = engine->positions(*batch, std::span<double>(data, batch->value_count()));
    return succeeded(written) ? array.release() : nullptr;
}

}  // namespace orbyx::python
