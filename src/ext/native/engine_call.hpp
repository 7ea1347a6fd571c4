#pragma once

#include <cstddef>
#include <optional>

#include "ext/native/orbyx_classes.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::ext {

// The start of a call whose parameter 0 is an orbyx.Engine: binds the arguments,
// checks the engine's type and holds one use of it until the binding returns, so
// the owner-thread and borrow rules cover the whole call; false with the error set
// at the first step that refused. The open engine is asked for apart, by
// `engine()`, so that a wrong argument is still reported before a closed engine.
template <std::size_t N>
class EngineCall {
public:
    EngineCall(const python::Signature& signature, PyObject* const* args, Py_ssize_t nargs,
               PyObject* kwnames, python::Access access = python::Access::Shared) {
        if (!python::bind(signature, args, nargs, kwnames, parameters_)) return;
        if (!check_engine_argument(parameters_[0], signature, 0)) return;
        use_.emplace(parameters_[0], access);
    }

    explicit operator bool() const { return use_ && *use_; }

    // Argument `i`, borrowed; null for an omitted optional parameter.
    PyObject* operator[](std::size_t i) const { return parameters_[i]; }
    const python::Parameters<N>& parameters() const { return parameters_; }

    // After a true check: the open engine, or null with "engine is closed" raised.
    SpkEphemeris* engine() { return use_->engine(); }

private:
    python::Parameters<N> parameters_;
    std::optional<python::EngineUse> use_;
};

}  // namespace orbyx::ext
