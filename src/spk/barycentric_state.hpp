#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

inline constexpr std::int32_t SOLAR_SYSTEM_BARYCENTER = 0;
// Longest centre chain followed; also what ends a loop of centres.
inline constexpr int MAX_CENTER_CHAIN_LINKS = 32;

// A segment of the kernel list: the kernel's index and the segment in its cached list.
struct SegmentChoice {
    std::size_t kernel_index;
    const SpkSegment* segment;
};

// Both bounds inclusive; a NaN epoch is covered by nothing.
inline bool segment_covers(const SpkSegment& segment, double epoch) {
    return segment.start_epoch <= epoch && epoch <= segment.end_epoch;
}

// The segment that answers for `body` at `epoch`: kernels in list order, each
// kernel's segments from last to first. Kernels not yet walked are walked here.
Result<std::optional<SegmentChoice>, SpkError> choose_segment(std::vector<SpkKernel>& kernels, std::int32_t body,
                                                              double epoch);

// The state of `target` relative to the solar-system barycentre, each link of
// its centre chain chosen afresh across the kernels. Allocates nothing once the
// segments' directories and records are cached; bit-identical to the batch.
Result<StateVector, SpkError> barycentric_state_across_kernels(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                               double epoch);

// Refuses a position of a body seen from itself, before any state is evaluated.
Status<EphemerisError> reject_identical_target_and_center(std::int32_t target, std::int32_t origin);

}  // namespace orbyx
