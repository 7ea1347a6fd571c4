#include "ext/native/shared_conversions.hpp"

#include <string>

#include "ext/bodies/named_bodies.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "python/errors.hpp"
#include "python/numpy_array.hpp"
#include "python/names.hpp"

namespace orbyx::ext {

std::optional<std::int32_t> target_argument(PyObject* value, const python::Signature& signature, std::size_t index) {
    // bool is an int to Python, but True is no body.
    if (PyLong_Check(value) && !PyBool_Check(value)) {
        int overflow = 0;
        const long long id = PyLong_AsLongLongAndOverflow(value, &overflow);
        if (id == -1 && PyErr_Occurred()) return std::nullopt;
        if (overflow != 0 || id < INT32_MIN || id > INT32_MAX) {
            python::raise_value_error("NAIF " + std::string(signature.names[index]) + " id is out of range");
            return std::nullopt;
        }
        return static_cast<std::int32_t>(id);
    }
    if (!PyUnicode_Check(value)) {
        python::raise_wrong_argument_type(signature, index, "str or int", value);
        return std::nullopt;
    }
    const auto text = python::extract_str(value, signature, index);
    if (!text) return std::nullopt;
    const auto body = python::parse_body(*text);
    if (body) return naif_id(*body);
    if (const auto named = named_body_naif_id(*text)) return named;
    python::raise_value_error(body.error());
    return std::nullopt;
}

std::optional<std::vector<PyRef>> sequence_items(PyObject* value, const python::Signature& signature,
                                                 std::size_t index, std::string_view expected) {
    if (PyUnicode_Check(value) || !PySequence_Check(value)) {
        python::raise_wrong_argument_type(signature, index, expected, value);
        return std::nullopt;
    }
    return python::held_items(value);
}

std::optional<std::vector<Instant>> instants_argument(PyObject* value, const python::Signature& signature,
                                                      std::size_t index, std::string_view expected) {
    return converted_items(value, signature, index, expected,
                           [](PyObject* item, const python::Signature& of, std::size_t at) {
                               return orbyx_instant_argument(item, of, at);
                           });
}

PyObject* new_text(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

}  // namespace orbyx::ext
