#include "ext/native/position_batch_functions.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ext/native/ayanamsha_arguments.hpp"
#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/positions/any_date_positions.hpp"
#include "ext/positions/sidereal_positions.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/numpy_array.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::ext {
namespace {

using python::Signature;

const char* const POSITIONS_PARAMETERS[] = {"engine", "bodies", "instants", "options", "sidereal_mode"};
const Signature POSITIONS = {"positions", POSITIONS_PARAMETERS, 5, 4};

}  // namespace

PyObject* positions_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<5> call(POSITIONS, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto targets = converted_items(call[1], POSITIONS, 1, "a sequence of str or int", target_argument);
    if (!targets) return nullptr;
    const auto instants = instants_argument(call[2], POSITIONS, 2, "a sequence of orbyx.Instant");
    if (!instants) return nullptr;
    const auto options = orbyx_position_options_argument(call[3], POSITIONS, 3);
    if (!options) return nullptr;
    std::optional<SiderealOrigin> origin;
    if (call[4] != nullptr && call[4] != Py_None) {
        origin = sidereal_origin_argument(call[4], POSITIONS, 4);
        if (!origin) return nullptr;
        if (!python::succeeded(check_sidereal_options(*options))) return nullptr;
    }
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    // The array only for a request that passed every check.
    const auto batch = check_any_date_positions(*engine, *targets, *instants, *options);
    if (!python::succeeded(batch)) return nullptr;
    double* data = nullptr;
    PyRef array = python::new_float64_array(instants->size(), targets->size(), PositionBatch::VALUES_PER_ENTRY, data);
    if (!array) return nullptr;
    const std::span<double> values(data, batch->value_count());
    if (!python::succeeded(engine->positions(*batch, values))) return nullptr;
    if (origin && !python::succeeded(subtract_ayanamsha(*engine, *instants, targets->size(), *origin, values))) {
        return nullptr;
    }
    return array.release();
}

}  // namespace orbyx::ext
