#pragma once

#include "python/py_ref.hpp"

#include <initializer_list>
#include <optional>
#include <string>

#include "core/types.hpp"

namespace orbyx::python {

// The module's classes, created once at import and kept for the module's life.
struct ModuleClasses {
    PyTypeObject* instant = nullptr;
    PyTypeObject* geodetic_observer = nullptr;
    PyTypeObject* house_system = nullptr;
    PyTypeObject* house_cusps = nullptr;
    PyTypeObject* horizon_event_kind = nullptr;
    PyTypeObject* rise_set_transit = nullptr;
    PyTypeObject* horizon_event = nullptr;
    PyTypeObject* season_event = nullptr;
    PyTypeObject* lunation_event = nullptr;
    PyTypeObject* sidereal_mode = nullptr;
    PyTypeObject* position_options = nullptr;
    PyTypeObject* position = nullptr;
    PyTypeObject* date_range = nullptr;
    PyTypeObject* kernel_metadata = nullptr;
    PyTypeObject* engine = nullptr;

    // Whether `type` is one of the classes above itself, not a subclass.
    bool contains(const PyTypeObject* type) const {
        for (const PyTypeObject* own :
             {instant, geodetic_observer, house_system, house_cusps, horizon_event_kind,
              rise_set_transit, horizon_event, season_event, lunation_event, sidereal_mode,
              position_options, position, date_range, kernel_metadata, engine}) {
            if (own == type) return true;
        }
        return false;
    }
};

ModuleClasses& module_classes();

// Each creates its heap type (a new reference) or returns null with the error set.
PyRef create_instant_class();
PyRef create_geodetic_observer_class();
PyRef create_house_system_class();
PyRef create_house_cusps_class();
PyRef create_horizon_event_kind_class();
PyRef create_rise_set_transit_class();
PyRef create_horizon_event_class();
PyRef create_season_event_class();
PyRef create_lunation_event_class();
PyRef create_sidereal_mode_class();
PyRef create_position_options_class();
PyRef create_position_class();
PyRef create_date_range_class();
PyRef create_kernel_metadata_class();
PyRef create_engine_class();

PyObject* new_instant(const Instant& instant);
PyObject* new_house_system(HouseSystem system);
PyObject* new_horizon_event_kind(HorizonEventKind kind);
PyObject* new_house_cusps(const HouseCusps& cusps);
PyObject* new_rise_set_transit(const RiseSetTransit& events);
PyObject* new_horizon_event(const HorizonEvent& event);
PyObject* new_geodetic_observer(const GeodeticObserver& observer);
// Also part of the PositionOptions repr.
std::string observer_repr(const GeodeticObserver& observer);
PyObject* new_position(const Position& position);
PyObject* new_position_options(const PositionOptions& options);
PyObject* new_date_range(const DateRange& range);

// The core value behind an argument of the module's own classes, or null with
// TypeError naming the argument.
struct Signature;
const Instant* instant_argument(PyObject* value, const Signature& signature, std::size_t index);
const GeodeticObserver* observer_argument(PyObject* value, const Signature& signature,
                                          std::size_t index);
const PositionOptions* options_argument(PyObject* value, const Signature& signature,
                                        std::size_t index);
PyObject* new_kernel_metadata(EphemerisMetadata metadata);

// An Instant's Julian day (its scale ignored) or anything the host converts to
// float; null with ValueError for anything else or a non-finite day.
std::optional<double> extract_julian_day(PyObject* value);

}  // namespace orbyx::python
