#include "ext/native/engine_open_function.hpp"

#include <utility>

#include "ext/native/orbyx_classes.hpp"
#include "python/open_arguments.hpp"

namespace orbyx::ext {
namespace {

const python::Signature OPEN = {"open", python::OPEN_PARAMETER_NAMES, python::OPEN_PARAMETER_COUNT, 2};

}  // namespace

PyObject* open_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    python::Parameters<python::OPEN_PARAMETER_COUNT> parameters;
    if (!python::bind(OPEN, args, nargs, kwnames, parameters)) return nullptr;
    auto opened = python::open_from_arguments(OPEN, parameters.values.data());
    if (!opened) return nullptr;
    return new_engine(SpkEphemeris::with_extended_segment_types(std::move(*opened)));
}

const char* const OPEN_DOC =
    "open(path, sha256, leap_second_kernel=None, leap_second_sha256=None, eop=None, "
    "eop_sha256=None)\n--\n\n"
    "Opens an SPK/BSP kernel as orbyx.open does, as an engine that also evaluates\n"
    "Type 3 segments (Chebyshev position and velocity) and Type 13 segments (Hermite\n"
    "windows over unequal steps), in its own methods and in every function of this\n"
    "module. Kernels attached to it later evaluate them too.";

}  // namespace orbyx::ext
