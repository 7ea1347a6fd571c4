#pragma once

#include "python/py_ref.hpp"

#include <new>

namespace orbyx::python {

// The engine and the binding return every failure as a value, save an allocation
// that fails. Its std::bad_alloc must not unwind into the interpreter, which would
// end the process: every function the interpreter calls runs through this and
// raises MemoryError instead.
template <auto Function>
struct GuardedCall;

template <class... Args, PyObject* (*Function)(Args...)>
struct GuardedCall<Function> {
    static PyObject* call(Args... args) noexcept {
        try {
            return Function(args...);
        } catch (const std::bad_alloc&) {
            return PyErr_NoMemory();
        }
    }
};

template <auto Function>
inline constexpr auto guarded = &GuardedCall<Function>::call;

}  // namespace orbyx::python
