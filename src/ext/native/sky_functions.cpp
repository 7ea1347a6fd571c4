#include "ext/native/sky_functions.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "ext/sky/horizontal_place.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/numpy_array.hpp"

namespace orbyx::ext {
namespace {

using python::Signature;

const char* const HORIZONTAL_PARAMETERS[] = {"engine",   "body",          "observer",
                                             "instant",  "pressure_mbar", "temperature_c"};
const Signature HORIZONTAL = {"horizontal", HORIZONTAL_PARAMETERS, 6, 4};
// Named as the public function that reaches it with several bodies or instants.
const Signature HORIZONTAL_BATCH = {"horizontal", HORIZONTAL_PARAMETERS, 6, 4};
const char* const SIDEREAL_TIME_PARAMETERS[] = {"engine", "observer", "instant"};
const Signature SIDEREAL_TIME = {"local_sidereal_time", SIDEREAL_TIME_PARAMETERS, 3, 3};

// The formula's own reference air stands in for a value left out.
constexpr double STANDARD_PRESSURE_MBAR = 1010.0;
constexpr double STANDARD_TEMPERATURE_C = 10.0;

// The air, if either value is given and not None; `ok` false with the error set.
std::optional<Atmosphere> atmosphere_arguments(PyObject* pressure, PyObject* temperature,
                                               const Signature& signature, bool& ok) {
    ok = true;
    const bool has_pressure = pressure != nullptr && pressure != Py_None;
    const bool has_temperature = temperature != nullptr && temperature != Py_None;
    if (!has_pressure && !has_temperature) return std::nullopt;
    std::optional<double> pressure_mbar = STANDARD_PRESSURE_MBAR;
    std::optional<double> temperature_c = STANDARD_TEMPERATURE_C;
    if (has_pressure) pressure_mbar = python::extract_float(pressure, signature, 4);
    if (pressure_mbar && has_temperature) temperature_c = python::extract_float(temperature, signature, 5);
    if (!pressure_mbar || !temperature_c) {
        ok = false;
        return std::nullopt;
    }
    const auto air = checked_atmosphere(*pressure_mbar, *temperature_c);
    if (!python::succeeded(air)) {
        ok = false;
        return std::nullopt;
    }
    return *air;
}

std::optional<std::vector<std::int32_t>> targets_argument(PyObject* value, const Signature& signature,
                                                         std::size_t index) {
    return converted_items(value, signature, index, "str, int or a sequence of them", target_argument);
}

}  // namespace

PyObject* horizontal_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<6> call(HORIZONTAL, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto target = target_argument(call[1], HORIZONTAL, 1);
    if (!target) return nullptr;
    const auto observer = orbyx_observer_argument(call[2], HORIZONTAL, 2);
    if (!observer) return nullptr;
    const auto instant = orbyx_instant_argument(call[3], HORIZONTAL, 3);
    if (!instant) return nullptr;
    bool ok = true;
    const auto air = atmosphere_arguments(call[4], call[5], HORIZONTAL, ok);
    if (!ok) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto place = horizontal_place(*engine, *target, *observer, *instant, air);
    if (!python::succeeded(place)) return nullptr;
    PyRef source = PyRef::steal(new_text(canonical_name(place->source)));
    if (!source) return nullptr;
    return Py_BuildValue("(dddddddO)", place->altitude_deg, place->azimuth_deg, place->hour_angle_deg,
                         place->declination_deg, place->right_ascension_deg,
                         place->local_apparent_sidereal_time_deg, place->distance_au, source.get());
}

PyObject* horizontal_batch_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<6> call(HORIZONTAL_BATCH, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto targets = targets_argument(call[1], HORIZONTAL_BATCH, 1);
    if (!targets) return nullptr;
    const auto observer = orbyx_observer_argument(call[2], HORIZONTAL_BATCH, 2);
    if (!observer) return nullptr;
    const auto instants = instants_argument(call[3], HORIZONTAL_BATCH, 3, "orbyx.Instant or a sequence of them");
    if (!instants) return nullptr;
    bool ok = true;
    const auto air = atmosphere_arguments(call[4], call[5], HORIZONTAL_BATCH, ok);
    if (!ok) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    // The array only for a request that passed every check.
    const auto batch = check_horizontal_places(*engine, *targets, *observer, *instants, air);
    if (!python::succeeded(batch)) return nullptr;
    double* data = nullptr;
    PyRef array = python::new_float64_array(instants->size(), targets->size(), HORIZONTAL_VALUES_PER_ENTRY, data);
    if (!array) return nullptr;
    const std::size_t count = batch->positions.entry_count * HORIZONTAL_VALUES_PER_ENTRY;
    if (!python::succeeded(horizontal_places(*engine, *batch, std::span<double>(data, count)))) return nullptr;
    PyRef source = PyRef::steal(new_text(canonical_name(batch->source)));
    if (!source) return nullptr;
    return PyTuple_Pack(2, array.get(), source.get());
}

PyObject* local_sidereal_time_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<3> call(SIDEREAL_TIME, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto observer = orbyx_observer_argument(call[1], SIDEREAL_TIME, 1);
    if (!observer) return nullptr;
    const auto instant = orbyx_instant_argument(call[2], SIDEREAL_TIME, 2);
    if (!instant) return nullptr;
    const SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto sidereal = local_sidereal_time(*engine, *observer, *instant);
    if (!python::succeeded(sidereal)) return nullptr;
    PyRef source = PyRef::steal(new_text(canonical_name(sidereal->source)));
    if (!source) return nullptr;
    return Py_BuildValue("(dO)", sidereal->degrees, source.get());
}

}  // namespace orbyx::ext
