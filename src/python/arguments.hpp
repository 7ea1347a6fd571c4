#pragma once

#include "python/py_ref.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace orbyx::python {

// The parameters of one callable: names in order, how many are required, and the
// name used in TypeError messages ("open()", "with_eop()").
struct Signature {
    std::string_view callable;
    const char* const* names;
    std::size_t count;
    std::size_t required;
};

template <std::size_t N>
struct Parameters {
    std::array<PyObject*, N> values{};  // borrowed; null for an omitted optional parameter
    PyObject* operator[](std::size_t i) const { return values[i]; }
};

// Binds a fast call (positional array plus keyword names) to the parameters.
// Returns false with TypeError set for a missing, repeated or unexpected argument.
bool bind_fast_call(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** out);

// The same for a classic call (tuple plus dict), as constructors receive it.
bool bind_classic_call(const Signature& signature, PyObject* args, PyObject* kwargs,
                       PyObject** out);

template <std::size_t N>
bool bind(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
          Parameters<N>& out) {
    return bind_fast_call(signature, args, nargs, kwnames, out.values.data());
}

template <std::size_t N>
bool bind(const Signature& signature, PyObject* args, PyObject* kwargs, Parameters<N>& out) {
    return bind_classic_call(signature, args, kwargs, out.values.data());
}

// A str argument as UTF-8 (valid while the object lives); TypeError naming the
// argument otherwise.
std::optional<std::string_view> extract_str(PyObject* value, const Signature& signature,
                                            std::size_t index);

// None (or omitted) gives an empty optional inside; TypeError for anything but str.
bool extract_optional_str(PyObject* value, const Signature& signature, std::size_t index,
                          std::optional<std::string_view>& out);

}  // namespace orbyx::python
