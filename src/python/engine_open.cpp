#include "python/engine_open.hpp"

#include <utility>

#include "python/open_arguments.hpp"

namespace orbyx::python {
namespace {

const Signature ENGINE_SIGNATURE = {"Engine", OPEN_PARAMETER_NAMES, OPEN_PARAMETER_COUNT, 2};
const Signature OPEN_SIGNATURE = {"open", OPEN_PARAMETER_NAMES, OPEN_PARAMETER_COUNT, 2};

}  // namespace

const Signature& engine_open_signature(std::string_view callable) {
    return callable == "Engine" ? ENGINE_SIGNATURE : OPEN_SIGNATURE;
}

PyObject* open_engine(const Signature& signature, PyObject* const* parameters) {
    auto opened = open_from_arguments(signature, parameters);
    return opened ? new_engine(std::move(*opened)) : nullptr;
}

PyObject* open_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<OPEN_PARAMETER_COUNT> parameters;
    if (!bind(OPEN_SIGNATURE, args, nargs, kwnames, parameters)) return nullptr;
    return open_engine(OPEN_SIGNATURE, parameters.values.data());
}

const char* const OPEN_DOC =
    "open(path, sha256, leap_second_kernel=None, leap_second_sha256=None, eop=None, "
    "eop_sha256=None)\n--\n\n"
    "Opens an SPK/BSP kernel. `sha256` is the caller-verified 64-hex checksum.\n\n"
    "Pass `leap_second_kernel` / `leap_second_sha256` for UTC, and `eop` /\n"
    "`eop_sha256` as well for UT1 and topocentric polar motion. The same files\n"
    "can be attached later with [`PyEngine::with_time_kernels`].";

}  // namespace orbyx::python
