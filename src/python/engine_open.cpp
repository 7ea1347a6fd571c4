#include "python/engine_open.hpp"

#include <optional>

#include "python/errors.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::python {
namespace {

const char* const OPEN_NAMES[] = {"path",     "sha256", "leap_second_kernel", "leap_second_sha256",
                                  "eop", "eop_sha256"};
const Signature ENGINE_SIGNATURE = {"Engine", OPEN_NAMES, OPEN_PARAMETER_COUNT, 2};
const Signature OPEN_SIGNATURE = {"open", OPEN_NAMES, OPEN_PARAMETER_COUNT, 2};

// Opens a time file only when both its path and its checksum are given.
template <class File>
bool open_pair(const std::optional<std::string_view>& path,
               const std::optional<std::string_view>& sha256, std::string_view pair_message,
               std::optional<File>& out) {
    if (path.has_value() != sha256.has_value()) {
        raise_value_error(pair_message);
        return false;
    }
    if (!path) return true;
    auto file = File::open(*path, *sha256);
    if (!file) {
        raise_value_error(file.error().message());
        return false;
    }
    out.emplace(std::move(file).value());
    return true;
}

}  // namespace

const Signature& engine_open_signature(std::string_view callable) {
    return callable == "Engine" ? ENGINE_SIGNATURE : OPEN_SIGNATURE;
}

PyObject* open_engine(const Signature& signature, PyObject* const* parameters) {
    const auto path = extract_str(parameters[0], signature, 0);
    if (!path) return nullptr;
    const auto sha256 = extract_str(parameters[1], signature, 1);
    if (!sha256) return nullptr;
    std::optional<std::string_view> optional_texts[4];
    for (std::size_t i = 0; i < 4; ++i) {
        if (!extract_optional_str(parameters[i + 2], signature, i + 2, optional_texts[i])) {
            return nullptr;
        }
    }

    auto engine = SpkEphemeris::open(*path, *sha256);
    if (!engine) return raise_value_error(engine.error().message());
    std::optional<LeapSecondKernel> leap_seconds;
    if (!open_pair(optional_texts[0], optional_texts[1],
                   "leap_second_kernel and leap_second_sha256 must be supplied together",
                   leap_seconds)) {
        return nullptr;
    }
    std::optional<EarthOrientationTable> orientation;
    if (!open_pair(optional_texts[2], optional_texts[3],
                   "eop and eop_sha256 must be supplied together", orientation)) {
        return nullptr;
    }

    SpkEphemeris opened = std::move(engine).value();
    if (leap_seconds) {
        opened = SpkEphemeris::with_leap_second_kernel(std::move(opened), std::move(*leap_seconds));
    }
    if (orientation) opened = SpkEphemeris::with_eop(std::move(opened), std::move(*orientation));
    return new_engine(std::move(opened));
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
