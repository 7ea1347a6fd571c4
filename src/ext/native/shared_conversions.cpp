#include "ext/native/shared_conversions.hpp"

#include "python/errors.hpp"
#include "python/names.hpp"

namespace orbyx::ext {

std::optional<Body> body_argument(PyObject* value, const python::Signature& signature, std::size_t index) {
    const auto text = python::extract_str(value, signature, index);
    if (!text) return std::nullopt;
    auto body = python::parse_body(*text);
    if (!body) {
        python::raise_value_error(body.error());
        return std::nullopt;
    }
    return *body;
}

PyObject* new_text(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

}  // namespace orbyx::ext
