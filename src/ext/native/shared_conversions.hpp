#pragma once

#include "python/py_ref.hpp"

#include <optional>
#include <string_view>

#include "core/types.hpp"
#include "python/arguments.hpp"

namespace orbyx::ext {

// A body named as orbyx names them ("sun", "moon", "mercury", ...); TypeError for
// anything but a str, ValueError for an unknown name.
std::optional<Body> body_argument(PyObject* value, const python::Signature& signature, std::size_t index);

// A new str, or null with the error set.
PyObject* new_text(std::string_view text);

}  // namespace orbyx::ext
