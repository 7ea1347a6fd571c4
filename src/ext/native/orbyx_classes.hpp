#pragma once

#include "python/py_ref.hpp"

#include <optional>

#include "core/types.hpp"
#include "python/arguments.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::ext {

using python::PyRef;

// Imports orbyx and takes its classes from the registry orbyx published them to;
// false with ImportError set if it did not.
bool load_orbyx_classes();

// Whether `value` is an orbyx.Engine (exactly the class orbyx made) holding its
// state; TypeError naming the argument otherwise.
bool check_engine_argument(PyObject* value, const python::Signature& signature, std::size_t index);

// Whether `value` is an orbyx.Instant, for arguments that also take a plain day.
bool is_orbyx_instant(PyObject* value);

// The value of an orbyx.Instant argument; empty with TypeError naming it otherwise.
std::optional<Instant> orbyx_instant_argument(PyObject* value,
                                              const python::Signature& signature,
                                              std::size_t index);

// The value of an orbyx.GeodeticObserver argument; empty with TypeError naming it
// otherwise.
std::optional<GeodeticObserver> orbyx_observer_argument(PyObject* value,
                                                        const python::Signature& signature,
                                                        std::size_t index);

// The value of an orbyx.PositionOptions argument; empty with TypeError naming it
// otherwise.
std::optional<PositionOptions> orbyx_position_options_argument(PyObject* value,
                                                               const python::Signature& signature,
                                                               std::size_t index);

// An orbyx.Instant's Julian day (its scale ignored) or a float, as orbyx's own
// functions take them; empty with ValueError for anything else or a non-finite day.
std::optional<double> julian_day_argument(PyObject* value);

// A new orbyx.Instant, or null with the error set.
PyObject* new_instant(const Instant& instant);

// A new orbyx.Position, or null with the error set.
PyObject* new_position(const Position& position);

// A new orbyx.Engine holding `engine`, owned by the calling thread; null with the error set.
PyObject* new_engine(SpkEphemeris engine);

}  // namespace orbyx::ext
