#include "ext/native/crossing_functions.hpp"

#include <cstdint>
#include <optional>
#include <vector>

#include "ext/crossings/track_events.hpp"
#include "ext/native/ayanamsha_arguments.hpp"
#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/names.hpp"

namespace orbyx::ext {
namespace {

using python::Signature;

const char* const LONGITUDE_CROSSINGS_PARAMETERS[] = {"engine", "body", "longitude_deg",
                                                      "start",  "end",  "sidereal_mode"};
const Signature LONGITUDE_CROSSINGS = {"longitude_crossings", LONGITUDE_CROSSINGS_PARAMETERS, 6, 5};
const char* const ECLIPTIC_PASSAGES_PARAMETERS[] = {"engine", "body", "start", "end"};
const Signature ECLIPTIC_PASSAGES = {"ecliptic_passages", ECLIPTIC_PASSAGES_PARAMETERS, 4, 4};
const char* const STATIONS_PARAMETERS[] = {"engine", "body", "start", "end", "sidereal_mode"};
const Signature STATIONS = {"stations", STATIONS_PARAMETERS, 5, 4};

// Omitted or None leaves `origin` empty: tropical. False with the error set otherwise.
bool sidereal_mode_argument(PyObject* value, const Signature& signature, std::size_t index,
                            std::optional<SiderealOrigin>& origin) {
    if (value == nullptr || value == Py_None) return true;
    origin = sidereal_origin_argument(value, signature, index);
    return origin.has_value();
}

// The arguments every search shares, checked in their order.
struct SearchArguments {
    std::int32_t target;
    Instant start;
    Instant end;
};

std::optional<SearchArguments> search_arguments(PyObject* body, PyObject* start, PyObject* end,
                                                const Signature& signature, std::size_t start_index) {
    const auto target = target_argument(body, signature, 1);
    if (!target) return std::nullopt;
    const auto first = orbyx_instant_argument(start, signature, start_index);
    if (!first) return std::nullopt;
    const auto last = orbyx_instant_argument(end, signature, start_index + 1);
    if (!last) return std::nullopt;
    return SearchArguments{*target, *first, *last};
}

// A list of (TT instant, direction name) tuples, or null with the error set.
template <class Kind>
PyObject* new_event_list(const std::vector<TrackEvent<Kind>>& events) {
    PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(events.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < events.size(); ++i) {
        PyRef instant = PyRef::steal(new_instant(Instant{events[i].tt_julian_day, TimeScale::Tt}));
        if (!instant) return nullptr;
        const std::string_view name = canonical_name(events[i].kind);
        PyRef direction =
            PyRef::steal(PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
        if (!direction) return nullptr;
        PyObject* pair = PyTuple_Pack(2, instant.get(), direction.get());
        if (pair == nullptr) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), pair);
    }
    return list.release();
}

template <class Kind>
PyObject* event_list_or_error(const Result<std::vector<TrackEvent<Kind>>, EphemerisError>& events) {
    return python::succeeded(events) ? new_event_list(*events) : nullptr;
}

}  // namespace

PyObject* longitude_crossings_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames) {
    EngineCall<6> call(LONGITUDE_CROSSINGS, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto longitude_deg = python::extract_float(call[2], LONGITUDE_CROSSINGS, 2);
    if (!longitude_deg) return nullptr;
    const auto search = search_arguments(call[1], call[3], call[4], LONGITUDE_CROSSINGS, 3);
    if (!search) return nullptr;
    std::optional<SiderealOrigin> origin;
    if (!sidereal_mode_argument(call[5], LONGITUDE_CROSSINGS, 5, origin)) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    return event_list_or_error(
        longitude_crossings(*engine, search->target, *longitude_deg, search->start, search->end, origin));
}

PyObject* ecliptic_passages_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                     PyObject* kwnames) {
    EngineCall<4> call(ECLIPTIC_PASSAGES, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto search = search_arguments(call[1], call[2], call[3], ECLIPTIC_PASSAGES, 2);
    if (!search) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    return event_list_or_error(ecliptic_passages(*engine, search->target, search->start, search->end));
}

PyObject* stations_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<5> call(STATIONS, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto search = search_arguments(call[1], call[2], call[3], STATIONS, 2);
    if (!search) return nullptr;
    std::optional<SiderealOrigin> origin;
    if (!sidereal_mode_argument(call[4], STATIONS, 4, origin)) return nullptr;
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    return event_list_or_error(stations(*engine, search->target, search->start, search->end, origin));
}

}  // namespace orbyx::ext
