#pragma once

#include <optional>

#include "python/arguments.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::python {

// The parameters of `Engine(...)` and `open(...)`, which the companion's `open` takes too.
inline constexpr std::size_t OPEN_PARAMETER_COUNT = 6;
extern const char* const OPEN_PARAMETER_NAMES[OPEN_PARAMETER_COUNT];

// Opens the primary kernel, then the optional time kernels, from the bound
// parameters; empty with the error set on failure.
std::optional<SpkEphemeris> open_from_arguments(const Signature& signature, PyObject* const* parameters);

}  // namespace orbyx::python
