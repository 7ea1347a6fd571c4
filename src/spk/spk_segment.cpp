#include "spk/spk_segment.hpp"

#include <cmath>

#include "spk/daf_file_record.hpp"

namespace orbyx {

Result<SpkSegment, SpkError> parse_spk_summary(std::span<const std::uint8_t, SPK_SUMMARY_BYTES> summary,
                                               std::string name, bool big_endian) {
    SpkSegment segment{
        .name = std::move(name),
        .start_epoch = read_f64(summary.subspan<0, 8>(), big_endian),
        .end_epoch = read_f64(summary.subspan<8, 8>(), big_endian),
        .target = read_i32(summary.subspan<16, 4>(), big_endian),
        .center = read_i32(summary.subspan<20, 4>(), big_endian),
        .frame = read_i32(summary.subspan<24, 4>(), big_endian),
        .data_type = read_i32(summary.subspan<28, 4>(), big_endian),
        .begin_address = read_i32(summary.subspan<32, 4>(), big_endian),
        .end_address = read_i32(summary.subspan<36, 4>(), big_endian),
    };
    if (!std::isfinite(segment.start_epoch) || !std::isfinite(segment.end_epoch)) {
        return failure(SpkError::invalid_segment("time bounds must be finite"));
    }
    if (segment.start_epoch > segment.end_epoch) {
        return failure(SpkError::invalid_segment("start time is after end time"));
    }
    if (segment.begin_address <= 0 || segment.end_address < segment.begin_address) {
        return failure(SpkError::invalid_segment("DAF address bounds are invalid"));
    }
    return segment;
}

}  // namespace orbyx
