#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/result.hpp"
#include "spk/spk_error.hpp"

namespace orbyx {

// Two doubles and six 32-bit integers.
inline constexpr std::size_t SPK_SUMMARY_BYTES = 40;

// One segment's summary: finite epochs with start <= end, 1 <= begin <= end address.
struct SpkSegment {
    std::string name;
    double start_epoch;  // TDB seconds past J2000
    double end_epoch;
    std::int32_t target;
    std::int32_t center;
    std::int32_t frame;
    std::int32_t data_type;
    std::int32_t begin_address;  // DAF word addresses of the segment data
    std::int32_t end_address;

    friend bool operator==(const SpkSegment&, const SpkSegment&) = default;
};

Result<SpkSegment, SpkError> parse_spk_summary(std::span<const std::uint8_t, SPK_SUMMARY_BYTES> summary,
                                               std::string name, bool big_endian);

}  // namespace orbyx
