#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/engine_use.hpp"
#include "python/names.hpp"
#include "spk/event_targets.hpp"

namespace orbyx::python {
namespace {

const char* const RISE_SET_TRANSIT_PARAMETERS[] = {"body", "observer", "around", "altitude_deg"};
const Signature RISE_SET_TRANSIT = {"rise_set_transit", RISE_SET_TRANSIT_PARAMETERS, 4, 4};
const char* const NEXT_HORIZON_EVENT_PARAMETERS[] = {"body", "observer", "after", "kind",
                                                     "altitude_deg"};
const Signature NEXT_HORIZON_EVENT = {"next_horizon_event", NEXT_HORIZON_EVENT_PARAMETERS, 5, 5};
const char* const NEXT_EVENT_PARAMETERS[] = {"after", "kind"};
const Signature NEXT_SEASON_EVENT = {"next_season_event", NEXT_EVENT_PARAMETERS, 2, 2};
const Signature NEXT_LUNATION = {"next_lunation", NEXT_EVENT_PARAMETERS, 2, 2};

// The Sun-longitude or elongation search shared by seasons and lunations.
template <class Event>
PyObject* next_crossing(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                        const Signature& signature,
                        Result<Event, std::string> (*parse)(std::string_view),
                        Result<Instant, EphemerisError> (SpkEphemeris::*search)(const Instant&,
                                                                               double),
                        double (*target_deg)(Event)) {
    Parameters<2> parameters;
    if (!bind(signature, args, nargs, kwnames, parameters)) return nullptr;
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const Instant* after = instant_argument(parameters[0], signature, 0);
    if (after == nullptr) return nullptr;
    const auto event = extract_parsed_name(parameters[1], parse);
    if (!event) return nullptr;
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto found = (engine->*search)(*after, target_deg(*event));
    return succeeded(found) ? new_instant(*found) : nullptr;
}

}  // namespace

PyObject* engine_rise_set_transit(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
    Parameters<4> parameters;
    if (!bind(RISE_SET_TRANSIT, args, nargs, kwnames, parameters)) return nullptr;
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const auto body_text = extract_str(parameters[0], RISE_SET_TRANSIT, 0);
    if (!body_text) return nullptr;
    const GeodeticObserver* observer = observer_argument(parameters[1], RISE_SET_TRANSIT, 1);
    if (observer == nullptr) return nullptr;
    const Instant* around = instant_argument(parameters[2], RISE_SET_TRANSIT, 2);
    if (around == nullptr) return nullptr;
    const auto altitude_deg = extract_float(parameters[3], RISE_SET_TRANSIT, 3);
    if (!altitude_deg) return nullptr;
    const auto body = parse_body(*body_text);
    if (!body) return raise_value_error(body.error());
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto events = engine->rise_set_transit(*body, *observer, *around, *altitude_deg);
    return succeeded(events) ? new_rise_set_transit(*events) : nullptr;
}

PyObject* engine_next_horizon_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                    PyObject* kwnames) {
    Parameters<5> parameters;
    if (!bind(NEXT_HORIZON_EVENT, args, nargs, kwnames, parameters)) return nullptr;
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const auto body_text = extract_str(parameters[0], NEXT_HORIZON_EVENT, 0);
    if (!body_text) return nullptr;
    const GeodeticObserver* observer = observer_argument(parameters[1], NEXT_HORIZON_EVENT, 1);
    if (observer == nullptr) return nullptr;
    const Instant* after = instant_argument(parameters[2], NEXT_HORIZON_EVENT, 2);
    if (after == nullptr) return nullptr;
    const auto altitude_deg = extract_float(parameters[4], NEXT_HORIZON_EVENT, 4);
    if (!altitude_deg) return nullptr;
    const auto body = parse_body(*body_text);
    if (!body) return raise_value_error(body.error());
    const auto kind = extract_parsed_name(parameters[3], parse_horizon_event_kind);
    if (!kind) return nullptr;
    SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const auto event = engine->next_horizon_event(*body, *observer, *after, *kind, *altitude_deg);
    return succeeded(event) ? new_horizon_event(*event) : nullptr;
}

PyObject* engine_next_season_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    return next_crossing(self, args, nargs, kwnames, NEXT_SEASON_EVENT, parse_season_event,
                         &SpkEphemeris::next_sun_longitude, season_target_longitude_deg);
}

PyObject* engine_next_lunation(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    return next_crossing(self, args, nargs, kwnames, NEXT_LUNATION, parse_lunation_event,
                         &SpkEphemeris::next_sun_moon_elongation, lunation_target_elongation_deg);
}

}  // namespace orbyx::python
