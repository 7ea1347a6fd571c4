#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "core/result.hpp"
#include "spk/daf_file_record.hpp"
#include "spk/kernel_source.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"

namespace orbyx {

// One opened SPK file: its file record, its byte source and what has been read
// from it. Move-only; the file stays open until the kernel is destroyed.
class SpkKernel {
public:
    static Result<SpkKernel, SpkError> open(std::string_view path,
                                            KernelSourceMode mode = KernelSourceMode::MapIfPossible);
    // Reads the file record from the source's current position.
    static Result<SpkKernel, SpkError> from_reader(KernelSource source);

    // The segments in file order; the file is walked once, on the first success.
    Result<std::vector<SpkSegment>, SpkError> segments();

    // `count` doubles from the one-based DAF word address `start` on.
    Result<std::vector<double>, SpkError> read_words(std::int32_t start, std::uint32_t count);

private:
    SpkKernel(DafFileRecord record, KernelSource source)
        : record_(std::move(record)), source_(std::move(source)) {}

    Result<std::vector<SpkSegment>, SpkError> walk_summary_chain();
    Status<SpkError> read_record_at(std::uint64_t offset, std::span<std::uint8_t, DAF_RECORD_BYTES> record);

    DafFileRecord record_;
    KernelSource source_;
    std::optional<std::vector<SpkSegment>> segment_cache_;
};

}  // namespace orbyx
