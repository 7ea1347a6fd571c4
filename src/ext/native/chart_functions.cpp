#include "ext/native/chart_functions.hpp"

#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "ext/chart/whole_chart.hpp"
#include "ext/native/ayanamsha_arguments.hpp"
#include "ext/native/engine_call.hpp"
#include "ext/native/house_functions.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/errors.hpp"
#include "python/numpy_array.hpp"

namespace orbyx::ext {
namespace {

using python::Parameters;
using python::Signature;

const char* const CHART_PARAMETERS[] = {"engine",        "observer", "instant",     "system",
                                        "sidereal_mode", "fallback", "topocentric", "extra_bodies"};
const Signature CHART = {"chart", CHART_PARAMETERS, 8, 3};
const char* const CHARTS_PARAMETERS[] = {"engine",        "observers", "instants",    "system",
                                         "sidereal_mode", "fallback",  "topocentric", "extra_bodies"};
const Signature CHARTS = {"charts", CHARTS_PARAMETERS, 8, 3};

constexpr const char* DEFAULT_SYSTEM = "placidus";

bool given(PyObject* value) { return value != nullptr && value != Py_None; }

// The system, sidereal origin, fallback, topocentric flag and extra bodies, at
// parameters 3 to 7.
std::optional<ChartSettings> settings_arguments(const Parameters<8>& parameters, const Signature& signature) {
    std::optional<AnyHouseSystem> system = house_system_named(DEFAULT_SYSTEM);
    if (given(parameters[3])) system = house_system_argument(parameters[3]);
    if (!system) return std::nullopt;
    ChartSettings settings{*system, std::nullopt, std::nullopt, false, {}};
    if (given(parameters[4])) {
        settings.origin = sidereal_origin_argument(parameters[4], signature, 4);
        if (!settings.origin) return std::nullopt;
    }
    if (given(parameters[5])) {
        settings.fallback = house_system_argument(parameters[5]);
        if (!settings.fallback) return std::nullopt;
    }
    if (parameters[6] != nullptr) {
        if (!PyBool_Check(parameters[6])) {
            python::raise_wrong_argument_type(signature, 6, "bool", parameters[6]);
            return std::nullopt;
        }
        settings.topocentric = parameters[6] == Py_True;
    }
    if (given(parameters[7])) {
        auto extras = converted_items(parameters[7], signature, 7, "a sequence of str or int", target_argument);
        if (!extras) return std::nullopt;
        settings.extra_targets = std::move(*extras);
    }
    return settings;
}

// One orbyx.GeodeticObserver, or a sequence of them.
std::optional<std::vector<GeodeticObserver>> observers_argument(PyObject* value) {
    if (!PySequence_Check(value) || PyUnicode_Check(value)) {
        const auto observer = orbyx_observer_argument(value, CHARTS, 1);
        if (!observer) return std::nullopt;
        return std::vector<GeodeticObserver>{*observer};
    }
    return converted_items(value, CHARTS, 1, "orbyx.GeodeticObserver or a sequence of them",
                           [](PyObject* item, const Signature& signature, std::size_t index) {
                               return orbyx_observer_argument(item, signature, index);
                           });
}

}  // namespace

PyObject* chart_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<8> call(CHART, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto observer = orbyx_observer_argument(call[1], CHART, 1);
    if (!observer) return nullptr;
    const auto instant = orbyx_instant_argument(call[2], CHART, 2);
    if (!instant) return nullptr;
    const auto settings = settings_arguments(call.parameters(), CHART);
    if (!settings) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    // Bytes for the Python layer to unpack: on PyPy each object handed over costs
    // more than a body's place.
    std::vector<double> values(settings->values_per_chart());
    const auto charted = whole_charts(*engine, std::span(&*observer, 1), std::span(&*instant, 1), *settings, values);
    if (!charted) {
        python::raise_value_error(charted.error().error.message());
        return nullptr;
    }
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(values.data()),
                                     static_cast<Py_ssize_t>(values.size() * sizeof(double)));
}

PyObject* charts_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<8> call(CHARTS, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto observers = observers_argument(call[1]);
    if (!observers) return nullptr;
    const auto instants = instants_argument(call[2], CHARTS, 2, "a sequence of orbyx.Instant");
    if (!instants) return nullptr;
    if (PySequence_Check(call[1]) && observers->size() != instants->size()) {
        python::raise_value_error("charts needs one observer, or one per instant: got " +
                                  std::to_string(observers->size()) + " observers for " +
                                  std::to_string(instants->size()) + " instants");
        return nullptr;
    }
    const auto settings = settings_arguments(call.parameters(), CHARTS);
    if (!settings) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    double* data = nullptr;
    PyRef array = python::new_float64_array(instants->size(), settings->values_per_chart(), 1, data);
    if (!array) return nullptr;
    const std::span<double> out(data, instants->size() * settings->values_per_chart());
    if (!python::succeeded(whole_charts(*engine, *observers, *instants, *settings, out))) return nullptr;
    return array.release();
}

}  // namespace orbyx::ext
