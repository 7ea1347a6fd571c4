#include "python/open_arguments.hpp"

#include <string_view>

#include "python/errors.hpp"

namespace orbyx::python {
namespace {

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

const char* const OPEN_PARAMETER_NAMES[OPEN_PARAMETER_COUNT] = {
    "path", "sha256", "leap_second_kernel", "leap_second_sha256", "eop", "eop_sha256"};

std::optional<SpkEphemeris> open_from_arguments(const Signature& signature, PyObject* const* parameters) {
    const auto path = extract_str(parameters[0], signature, 0);
    if (!path) return std::nullopt;
    const auto sha256 = extract_str(parameters[1], signature, 1);
    if (!sha256) return std::nullopt;
    std::optional<std::string_view> optional_texts[4];
    for (std::size_t i = 0; i < 4; ++i) {
        if (!extract_optional_str(parameters[i + 2], signature, i + 2, optional_texts[i])) {
            return std::nullopt;
        }
    }

    auto engine = SpkEphemeris::open(*path, *sha256);
    if (!engine) {
        raise_value_error(engine.error().message());
        return std::nullopt;
    }
    std::optional<LeapSecondKernel> leap_seconds;
    if (!open_pair(optional_texts[0], optional_texts[1],
                   "leap_second_kernel and leap_second_sha256 must be supplied together",
                   leap_seconds)) {
        return std::nullopt;
    }
    std::optional<EarthOrientationTable> orientation;
    if (!open_pair(optional_texts[2], optional_texts[3],
                   "eop and eop_sha256 must be supplied together", orientation)) {
        return std::nullopt;
    }

    SpkEphemeris opened = std::move(engine).value();
    if (leap_seconds) {
        opened = SpkEphemeris::with_leap_second_kernel(std::move(opened), std::move(*leap_seconds));
    }
    if (orientation) opened = SpkEphemeris::with_eop(std::move(opened), std::move(*orientation));
    return opened;
}

}  // namespace orbyx::python
