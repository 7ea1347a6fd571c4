#include "python/arguments.hpp"

#include <algorithm>
#include <string>

#include "python/errors.hpp"

namespace orbyx::python {
namespace {

std::string callable_name(const Signature& signature) {
    return std::string(signature.callable) + "()";
}

// Index of the parameter called `keyword`, or -1.
Py_ssize_t parameter_index(const Signature& signature, PyObject* keyword) {
    for (std::size_t i = 0; i < signature.count; ++i) {
        if (PyUnicode_CompareWithASCIIString(keyword, signature.names[i]) == 0) {
            return static_cast<Py_ssize_t>(i);
        }
    }
    return -1;
}

bool too_many_positional(const Signature& signature, Py_ssize_t nargs) {
    if (static_cast<std::size_t>(nargs) <= signature.count) return false;
    raise_type_error(callable_name(signature) + " takes at most " +
                     std::to_string(signature.count) + " arguments (" + std::to_string(nargs) +
                     " given)");
    return true;
}

bool place_keyword(const Signature& signature, PyObject* keyword, PyObject* value,
                   PyObject** out) {
    const Py_ssize_t index = parameter_index(signature, keyword);
    if (index < 0) {
        PyRef text = PyRef::steal(PyObject_Str(keyword));
        const char* name = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
        if (name == nullptr) return false;
        raise_type_error(callable_name(signature) + " got an unexpected keyword argument '" +
                         name + "'");
        return false;
    }
    if (out[index] != nullptr) {
        raise_type_error(callable_name(signature) + " got multiple values for argument '" +
                         signature.names[index] + "'");
        return false;
    }
    out[index] = value;
    return true;
}

bool check_required(const Signature& signature, PyObject** out) {
    for (std::size_t i = 0; i < signature.required; ++i) {
        if (out[i] == nullptr) {
            raise_type_error(callable_name(signature) + " missing required argument '" +
                             signature.names[i] + "' (pos " + std::to_string(i + 1) + ")");
            return false;
        }
    }
    return true;
}

std::string argument_label(const Signature& signature, std::size_t index) {
    return callable_name(signature) + " argument '" + signature.names[index] + "'";
}

bool defines_float(PyObject* value) {
    return PyObject_HasAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__float__");
}

}  // namespace

bool bind_fast_call(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** out) {
    std::fill(out, out + signature.count, nullptr);
    if (too_many_positional(signature, nargs)) return false;
    for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = args[i];
    const Py_ssize_t keywords = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        if (!place_keyword(signature, PyTuple_GET_ITEM(kwnames, k), args[nargs + k], out)) {
            return false;
        }
    }
    return check_required(signature, out);
}

bool bind_classic_call(const Signature& signature, PyObject* args, PyObject* kwargs,
                       PyObject** out) {
    std::fill(out, out + signature.count, nullptr);
    const Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    if (too_many_positional(signature, nargs)) return false;
    for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = PyTuple_GET_ITEM(args, i);
    if (kwargs != nullptr) {
        Py_ssize_t pos = 0;
        PyObject *keyword, *value;
        while (PyDict_Next(kwargs, &pos, &keyword, &value)) {
            if (!place_keyword(signature, keyword, value, out)) return false;
        }
    }
    return check_required(signature, out);
}

void raise_wrong_argument_type(const Signature& signature, std::size_t index,
                               std::string_view expected, PyObject* value) {
    raise_type_error(argument_label(signature, index) + " must be " + std::string(expected) +
                     ", not " + Py_TYPE(value)->tp_name);
}

std::optional<std::string_view> extract_str(PyObject* value, const Signature& signature,
                                            std::size_t index) {
    if (!PyUnicode_Check(value)) {
        raise_wrong_argument_type(signature, index, "str", value);
        return std::nullopt;
    }
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(value, &size);
    if (text == nullptr) return std::nullopt;
    return std::string_view(text, static_cast<std::size_t>(size));
}

std::optional<std::string> extract_name(PyObject* value) {
    PyRef name;
    if (!PyUnicode_Check(value)) {
        name = PyRef::steal(PyObject_GetAttrString(value, "name"));
        PyErr_Clear();  // a missing attribute is reported below as a wrong kind of value
        value = name.get();
    }
    if (value != nullptr && PyUnicode_Check(value)) {
        Py_ssize_t size = 0;
        const char* text = PyUnicode_AsUTF8AndSize(value, &size);
        if (text == nullptr) return std::nullopt;
        return std::string(text, static_cast<std::size_t>(size));
    }
    raise_value_error("expected a name string or an orbyx enum with a name attribute");
    return std::nullopt;
}

std::optional<double> extract_float(PyObject* value) {
    const double number = PyFloat_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred()) return std::nullopt;
    return number;
}

std::optional<double> extract_float(PyObject* value, const Signature& signature,
                                    std::size_t index) {
    // A TypeError of a type without __float__ is the host's refusal, which says
    // nothing of the argument; anything else is the value's own failure.
    const bool own_conversion = PyFloat_Check(value) || defines_float(value);
    const auto number = extract_float(value);
    if (number || own_conversion || !PyErr_ExceptionMatches(PyExc_TypeError)) return number;
    PyErr_Clear();
    raise_wrong_argument_type(signature, index, "real number", value);
    return std::nullopt;
}

bool extract_optional_str(PyObject* value, const Signature& signature, std::size_t index,
                          std::optional<std::string_view>& out) {
    out.reset();
    if (value == nullptr || value == Py_None) return true;
    if (!PyUnicode_Check(value)) {
        raise_wrong_argument_type(signature, index, "str or None", value);
        return false;
    }
    out = extract_str(value, signature, index);
    return out.has_value();
}

}  // namespace orbyx::python
