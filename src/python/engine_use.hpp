#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "python/errors.hpp"
#include "python/thread_token.hpp"
#include "python/value_object.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::python {

inline constexpr std::string_view ENGINE_TYPE_PATH = "orbyx::PyEngine";

struct EngineState {
    std::optional<SpkEphemeris> engine;  // empty once closed
    std::uint64_t owner = current_thread_token();
    int uses = 0;  // running shared uses, or -1 for the one exclusive use
};

// What a Python Engine holds; a pointer so that freeing the object while a call
// still uses the state can leave the state to that call.
using EngineHandle = std::unique_ptr<EngineState>;

enum class Access { Shared, Exclusive };

// One use of an Engine for the length of a call: refuses a foreign thread and
// re-entrant uses that would overlap an exclusive one.
class EngineUse {
public:
    EngineUse(PyObject* self, Access access)
        : state_(*value_of<EngineHandle>(self)), access_(access) {
        if (current_thread_token() != state_.owner) {
            raise_wrong_thread(ENGINE_TYPE_PATH);
        } else if (access == Access::Exclusive && state_.uses != 0) {
            raise_runtime_error("Already borrowed");
        } else if (access == Access::Shared && state_.uses < 0) {
            raise_runtime_error("Already mutably borrowed");
        } else {
            state_.uses = access == Access::Exclusive ? -1 : state_.uses + 1;
            acquired_ = true;
        }
    }
    EngineUse(const EngineUse&) = delete;
    EngineUse& operator=(const EngineUse&) = delete;
    ~EngineUse() {
        if (acquired_) state_.uses = access_ == Access::Exclusive ? 0 : state_.uses - 1;
    }

    explicit operator bool() const { return acquired_; }

    // The open engine, or null with "engine is closed" raised.
    SpkEphemeris* engine() {
        if (!state_.engine) {
            raise_value_error("engine is closed");
            return nullptr;
        }
        return &*state_.engine;
    }

    // Moves the engine out for an attach step, leaving the Engine closed until
    // `put_back`; empty with "engine is closed" raised if there was none.
    std::optional<SpkEphemeris> take_engine() {
        if (!engine()) return std::nullopt;
        std::optional<SpkEphemeris> engine = std::move(state_.engine);
        state_.engine.reset();
        return engine;
    }

    void put_back(SpkEphemeris engine) { state_.engine = std::move(engine); }

private:
    EngineState& state_;
    Access access_;
    bool acquired_ = false;
};

// Raises ValueError with the error's text when `result` failed.
template <class T, class E>
bool succeeded(const Result<T, E>& result) {
    if (!result) raise_value_error(result.error().message());
    return result.ok();
}

// The Engine's methods, by the file that holds them.
PyObject* with_leap_second_kernel(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames);
PyObject* with_eop(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* with_time_kernels(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames);
PyObject* with_additional_kernel_file(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames);
PyObject* engine_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames);
PyObject* engine_positions(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames);
PyObject* engine_sidereal_position(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames);
PyObject* engine_rise_set_transit(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames);
PyObject* engine_next_horizon_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                    PyObject* kwnames);
PyObject* engine_next_season_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames);
PyObject* engine_next_lunation(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

}  // namespace orbyx::python
