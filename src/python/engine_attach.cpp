#include <array>
#include <string>

#include "core/provenance.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"

namespace orbyx::python {
namespace {

const char* const PATH_SHA256[] = {"path", "sha256"};
const Signature WITH_LEAP_SECOND_KERNEL = {"with_leap_second_kernel", PATH_SHA256, 2, 2};
const Signature WITH_EOP = {"with_eop", PATH_SHA256, 2, 2};
const Signature WITH_ADDITIONAL_KERNEL_FILE = {"with_additional_kernel_file", PATH_SHA256, 2, 2};
const char* const TIME_KERNEL_NAMES[] = {"leap_second_kernel", "leap_second_sha256", "eop",
                                         "eop_sha256"};
const Signature WITH_TIME_KERNELS = {"with_time_kernels", TIME_KERNEL_NAMES, 4, 4};

// Binds, checks the thread, takes the exclusive use and converts the str arguments.
template <std::size_t N>
bool begin_attach(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                  PyObject* kwnames, PyObject* self, std::optional<EngineUse>& use,
                  std::array<std::string_view, N>& texts) {
    Parameters<N> parameters;
    if (!bind(signature, args, nargs, kwnames, parameters)) return false;
    use.emplace(self, Access::Exclusive);
    if (!*use) return false;
    for (std::size_t i = 0; i < N; ++i) {
        const auto text = extract_str(parameters[i], signature, i);
        if (!text) return false;
        texts[i] = *text;
    }
    return true;
}

}  // namespace

PyObject* with_leap_second_kernel(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 2> texts;
    if (!begin_attach(WITH_LEAP_SECOND_KERNEL, args, nargs, kwnames, self, use, texts)) {
        return nullptr;
    }
    auto kernel = LeapSecondKernel::open(texts[0], texts[1]);
    if (!succeeded(kernel)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    use->put_back(
        SpkEphemeris::with_leap_second_kernel(std::move(*engine), std::move(kernel).value()));
    Py_RETURN_NONE;
}

PyObject* with_eop(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 2> texts;
    if (!begin_attach(WITH_EOP, args, nargs, kwnames, self, use, texts)) return nullptr;
    auto table = EarthOrientationTable::open(texts[0], texts[1]);
    if (!succeeded(table)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    use->put_back(SpkEphemeris::with_eop(std::move(*engine), std::move(table).value()));
    Py_RETURN_NONE;
}

PyObject* with_time_kernels(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 4> texts;
    if (!begin_attach(WITH_TIME_KERNELS, args, nargs, kwnames, self, use, texts)) {
        return nullptr;
    }
    auto kernel = LeapSecondKernel::open(texts[0], texts[1]);
    if (!succeeded(kernel)) return nullptr;
    auto table = EarthOrientationTable::open(texts[2], texts[3]);
    if (!succeeded(table)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    use->put_back(SpkEphemeris::with_time_kernels(std::move(*engine), std::move(kernel).value(),
                                                  std::move(table).value()));
    Py_RETURN_NONE;
}

PyObject* with_additional_kernel_file(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 2> texts;
    if (!begin_attach(WITH_ADDITIONAL_KERNEL_FILE, args, nargs, kwnames, self, use, texts)) {
        return nullptr;
    }
    const auto [path, sha256] = texts;
    if (!is_sha256_hex(sha256)) {
        return raise_value_error("kernel SHA-256 must contain exactly 64 hexadecimal characters");
    }
    std::optional<std::string> name = file_name_of(path);
    if (!name) return raise_value_error("kernel path has no UTF-8 filename");
    auto kernel = SpkKernel::open(path);
    if (!succeeded(kernel)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    // A failure here consumes the engine: the Engine stays closed for good.
    auto extended = SpkEphemeris::with_additional_kernel(
        std::move(*engine), std::move(kernel).value(), std::move(*name), sha256);
    if (!succeeded(extended)) return nullptr;
    use->put_back(std::move(extended).value());
    Py_RETURN_NONE;
}

}  // namespace orbyx::python
