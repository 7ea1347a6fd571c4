#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/kernel_source.hpp"
#include "spk/spk_kernel.hpp"
#include "time/earth_orientation_table.hpp"
#include "time/leap_second_kernel.hpp"

namespace orbyx {

// The engine: the primary kernel and any attached kernels, the time kernels and
// what was recorded at opening. Movable, not copyable.
class SpkEphemeris {
public:
    // `sha256` is a caller-verified label: only its form is checked.
    static Result<SpkEphemeris, EphemerisError> open(
        std::string_view path, std::string_view sha256,
        KernelSourceMode mode = KernelSourceMode::MapIfPossible);

    // Appends `kernel` after the others; the supported range stays the primary's.
    static Result<SpkEphemeris, EphemerisError> with_additional_kernel(SpkEphemeris engine,
                                                                       SpkKernel kernel,
                                                                       std::string name,
                                                                       std::string_view sha256);

    // Replace whatever time kernel was attached before.
    static SpkEphemeris with_leap_second_kernel(SpkEphemeris engine, LeapSecondKernel kernel);
    static SpkEphemeris with_eop(SpkEphemeris engine, EarthOrientationTable table);
    static SpkEphemeris with_time_kernels(SpkEphemeris engine, LeapSecondKernel kernel,
                                          EarthOrientationTable table);

    SpkEphemeris(SpkEphemeris&&) = default;
    SpkEphemeris& operator=(SpkEphemeris&&) = default;
    SpkEphemeris(const SpkEphemeris&) = delete;
    SpkEphemeris& operator=(const SpkEphemeris&) = delete;

    const EphemerisMetadata& metadata() const { return metadata_; }
    const DateRange& supported_range() const { return supported_range_; }
    // Primary first, then attached kernels in attachment order.
    std::vector<SpkKernel>& kernels() { return kernels_; }
    const std::vector<SpkKernel>& kernels() const { return kernels_; }
    const LeapSecondKernel* leap_second_kernel() const {
        return leap_second_kernel_ ? &*leap_second_kernel_ : nullptr;
    }
    const EarthOrientationTable* earth_orientation_table() const {
        return earth_orientation_table_ ? &*earth_orientation_table_ : nullptr;
    }

private:
    SpkEphemeris(EphemerisMetadata metadata, DateRange supported_range, SpkKernel primary);

    EphemerisMetadata metadata_;
    DateRange supported_range_;
    std::vector<SpkKernel> kernels_;
    std::optional<LeapSecondKernel> leap_second_kernel_;
    std::optional<EarthOrientationTable> earth_orientation_table_;
};

}  // namespace orbyx
