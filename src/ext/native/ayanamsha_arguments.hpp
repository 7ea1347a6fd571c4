#pragma once

#include "python/py_ref.hpp"

#include <optional>

#include "ext/ayanamsha/sidereal_origin.hpp"
#include "python/arguments.hpp"

namespace orbyx::ext {

// One of the companion's named ayanamshas, or a (reference_tt_day, value_deg[, precession])
// tuple.
std::optional<CompanionAyanamsha> ayanamsha_argument(PyObject* value, const python::Signature& signature,
                                                     std::size_t index);

// A companion ayanamsha as above, or one of the module's modes by name or member.
std::optional<SiderealOrigin> sidereal_origin_argument(PyObject* value, const python::Signature& signature,
                                                       std::size_t index);

}  // namespace orbyx::ext
