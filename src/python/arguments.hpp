#pragma once

#include "python/py_ref.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.hpp"
#include "python/errors.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {

// A fast-call function in the shape a method table stores.
template <class F>
PyCFunction as_method(F function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

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

// TypeError "f() argument 'x' must be <expected>, not <type>".
void raise_wrong_argument_type(const Signature& signature, std::size_t index,
                               std::string_view expected, PyObject* value);

// The value of an argument that must be an object of exactly `type`; null with
// TypeError naming the argument otherwise.
template <class T>
const T* value_argument(PyObject* value, PyTypeObject* type, const Signature& signature,
                        std::size_t index) {
    if (Py_TYPE(value) != type) {
        raise_wrong_argument_type(signature, index, class_name(type), value);
        return nullptr;
    }
    return check_holds_value(value) ? &value_of<T>(value) : nullptr;
}

// A str argument as UTF-8 (valid while the object lives); TypeError naming the
// argument otherwise.
std::optional<std::string_view> extract_str(PyObject* value, const Signature& signature,
                                            std::size_t index);

// Anything the host converts to float; empty with its TypeError otherwise.
std::optional<double> extract_float(PyObject* value);

// The same for an argument: a value without a float conversion raises TypeError
// naming the argument, while an error of the value's own conversion propagates.
std::optional<double> extract_float(PyObject* value, const Signature& signature,
                                    std::size_t index);

// An enumerated choice given as a str, or as any object with a str `name` (the
// module's enumeration classes among them); ValueError otherwise.
std::optional<std::string> extract_name(PyObject* value);

// `extract_name`, then the kind's parser; its message becomes a ValueError.
template <class Member, class Error>
std::optional<Member> extract_parsed_name(PyObject* value,
                                          Result<Member, Error> (*parse)(std::string_view)) {
    const auto name = extract_name(value);
    if (!name) return std::nullopt;
    auto member = parse(*name);
    if (!member) {
        raise_value_error(member.error());
        return std::nullopt;
    }
    return *member;
}

// None (or omitted) gives an empty optional inside; TypeError for anything but str.
bool extract_optional_str(PyObject* value, const Signature& signature, std::size_t index,
                          std::optional<std::string_view>& out);

}  // namespace orbyx::python
